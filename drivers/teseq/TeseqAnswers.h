#pragma once
// What the Teseq switch units answer about their slots: the position array
// of the RFB 6000 ("GET:POSARR?", ten comma-separated fields, "-" for an
// empty slot, else the number of outputs) and the slot answer of the RFB
// 2000 ("GET:POS C", whose first character is the number of outputs).
// Plain scanning: any answer is judged in linear time.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace teseq {

// The fields between the commas (an empty answer is one empty field).
std::vector<std::string> SplitFields(std::string_view answer);

// A slot as a field of the position array reports it.
struct SlotField {
  bool present = false;
  int outputs = 0;  // leading digits of the field (0 when none), at most 1000000
};
SlotField ParseSlotField(std::string_view field);

// The number of outputs from the first character of an RFB 2000 answer;
// nothing for an empty answer, 0 when that character is no digit.
std::optional<int> OutputsFromFirstCharacter(std::string_view answer);

// The answer without the carriage returns and line feeds around it.
std::string WithoutLineEnds(std::string_view answer);

}  // namespace teseq
