#pragma once
// What a result pattern extracts from an answer: the first group when the
// pattern has groups, else the whole match. Letter case is ignored.
#include <string>

#include "framework/Status.h"

// 0 and the extracted text; ERR_REGEX_INVALID_EXPRESSION for a pattern that
// does not compile, ERR_REGEX_RESULT_NOT_FOUND when nothing matches,
// ERR_REGEX_OPTIONAL_NO_SELECTION when the first group took no part in the match.
Status ExtractRegularExpressionResult(const std::string& pattern, const std::string& answer, std::string& result);
