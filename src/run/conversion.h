// One whole run: the operator dialogue, reading the spectrum, the band conversion, the report,
// the closing messages and the final key wait.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "kelmor/spectrum.h"
#include "run/console.h"
#include "run/files.h"
#include "run/replies.h"

namespace kelmor {

// Exit statuses of a run.
inline constexpr int kExitDone = 0;         // the report was written from all the data
inline constexpr int kExitFailed = 1;       // a file failed to open, read or write
inline constexpr int kExitPartialData = 2;  // the report was written, with a warning about the data

// The banner's contact address.
inline constexpr const char* kContactAddress = "kelmor@halvane.org";

struct RunSettings {
  std::string inputName;
  std::int32_t headerLines = 0;
  AmplitudeFormat amplitudeFormat = AmplitudeFormat::Rms;
  OutputFormat outputFormat = OutputFormat::OneThirdOctave;
  std::string outputName;
  InputFile input;
  OutputFile output;
};

// Greets the operator, asks the five questions and opens both files. A reply that does not
// parse leaves its field at the initial value (0 lines; the formats then become 2). When a file
// fails to open, the failure is printed, no further question is asked, whatever was opened is
// closed, and nullopt is returned.
std::optional<RunSettings> askSettings(Console& console, ReplyReader& replies);

// Performs one conversion and returns the exit status.
int runConversion(Console& console, ByteSource& replySource);

}  // namespace kelmor
