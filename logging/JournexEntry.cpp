#include "logging/JournexEntry.h"

#include <algorithm>

#include "logging/LogRecordWriter.h"
#include "logging/MailSlotSocket.h"

namespace {
using Kind = LogRecordWriter::Kind;

std::string Sanitised(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), ';', '*');
  return out;
}

void Write(Kind kind, const void* scope, std::string_view function, std::string_view module,
           std::string_view type, std::string_view category, std::string_view description,
           JournexEntry::Values values) {
  std::string record;
  record.reserve(256);
  LogRecordWriter writer(record, kind, scope, function, module, type);
  writer.Content(category, description, values);
  JournexEntry::MailSlotSocket::Instance().Send(std::move(record), kind == Kind::Single);
}
}  // namespace

JournexEntry::JournexEntry(std::string_view function, std::string_view module)
    : function_(Sanitised(function)), module_(Sanitised(module)) {
  Enabled();  // connects to a reader that appeared since the last call
}

JournexEntry::~JournexEntry() {
  if (begun_) LogEnd("Auto End");
}

bool JournexEntry::Enabled() { return MailSlotSocket::Instance().Enabled(); }

void JournexEntry::LogBegin(std::string_view type, std::string_view description, Values values,
                            std::string_view category) {
  ++beginCount_;
  if (begun_) {
    ReportMisuse(Misuse::BeginTwice, type, description, values, category);
    return;
  }
  begun_ = true;
  if (Enabled()) Write(Kind::Begin, this, function_, module_, type, category, description, values);
}

void JournexEntry::LogEnd(std::string_view type, std::string_view description, Values values,
                          std::string_view category) {
  const int earlierEnds = endCount_++;
  if (!begun_) {
    ReportMisuse(earlierEnds == 0 ? Misuse::EndWithoutBegin : Misuse::EndTwice, type, description, values,
                 category);
    return;
  }
  begun_ = false;
  if (Enabled()) Write(Kind::End, this, function_, module_, type, category, description, values);
}

void JournexEntry::Log(std::string_view type, std::string_view description, Values values,
                       std::string_view category) {
  if (Enabled()) Write(Kind::Single, nullptr, function_, module_, type, category, description, values);
}

void JournexEntry::Note(std::string_view function, std::string_view module, std::string_view type,
                        std::string_view description, Values values, std::string_view category) {
  if (Enabled()) Write(Kind::Single, nullptr, function, module, type, category, description, values);
}

// A single warning record instead of the misused begin or end: what went wrong,
// then, below the marker, the scope and the arguments of the call.
void JournexEntry::ReportMisuse(Misuse misuse, std::string_view type, std::string_view description,
                                Values values, std::string_view category) {
  if (!Enabled()) return;
  std::string record;
  record.reserve(512);
  std::string_view warningType = "Warning";
  std::string_view text;
  std::string detail;
  switch (misuse) {
    case Misuse::BeginTwice:
      text = "LogBegin sended twice";
      detail = "LogBegin sended " + std::to_string(beginCount_) + " times";
      break;
    case Misuse::EndWithoutBegin:
      warningType = "Warning 1";
      text = "LogEnd without LogBegin";
      detail = "LogEnd sended without LogBegin";
      break;
    case Misuse::EndTwice:
      warningType = "Warning 2";
      text = "Either no LogBegin or multiple LogEnds";
      break;
  }
  LogRecordWriter writer(record, Kind::Single, nullptr, function_, module_, warningType);
  writer.Category(kGeneral);
  writer.Description(text);
  if (!detail.empty()) writer.Value({"Detail", detail});
  writer.Value({"----", "OriginalArgumentsBelow"});
  writer.Value({"Function", function_});
  writer.Value({"Module", module_});
  writer.Value({"Type", type});
  const bool wasBegin = misuse == Misuse::BeginTwice;
  writer.Category(LogRecordWriter::IsStandardCategory(category) ? category : (wasBegin ? kInput : kOutput));
  if (!description.empty()) writer.Description(description);
  for (const LogValue& value : values) writer.Value(value);
  writer.Finish();
  MailSlotSocket::Instance().Send(std::move(record), true);
}
