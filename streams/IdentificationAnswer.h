#pragma once
// Whether an instrument's identification answer is the one expected: the
// expected text occurs in the answer (letter case ignored; an empty expected
// text matches every answer), or else the expected text, taken as a regular
// expression with case ignored, matches a part of the answer.
#include <string>

bool IdentificationAnswerMatches(const std::string& expected, const std::string& answer);
