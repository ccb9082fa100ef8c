#include "run/conversion.h"

#include <new>
#include <string_view>

#include "bands/band_levels.h"
#include "bands/band_plan.h"
#include "bands/report.h"
#include "run/data_warnings.h"
#include "spectrum/reader.h"

namespace kelmor {
namespace {

constexpr std::string_view kBanner =
    "\n  Kelmor - version 1.4, April 15, 2006 "
    "\n  by Halvane ";
constexpr std::string_view kAbout =
    "\n This program converts a Fourier transform with constant bandwidth"
    "\n to octave or one-third octave format.\n"
    "\n The input file must be frequency(Hz) and amplitude(EU) "
    "\n The format is free. \n"
    "\n Please enter the input filename. \n";
constexpr std::string_view kAskHeaderLines =
    "\n\n Enter the number of input file header lines to skip. \n";
constexpr std::string_view kAskAmplitudeFormat =
    "\n\n Enter input amplitude format:  1=peak  2= RMS \n";
constexpr std::string_view kAskOutputFormat =
    "\n\n Enter output format:  1=octave  2= one-third octave \n";
constexpr std::string_view kAskOutputName = "\n Enter output filename\n";
constexpr std::string_view kOutputIsInput =
    " The output file is the input file; it was left unchanged. \n";
constexpr std::string_view kInputIsStandardInput =
    " The input file is standard input, which holds the replies. \n";
constexpr std::string_view kFormatNote =
    "\n\n Note that output file format is: \n\n  freq (Hz)  amplitude (EU RMS) \n";
constexpr std::string_view kComplete = "\n\n Calculation complete. \n Press any key to exit.";
constexpr std::string_view kPressAnyKey = "\n\n Press any key to exit.";
constexpr std::string_view kOutOfMemory = "\n\n Out of memory. \n";

std::string opened(const std::string& name) {
  return "\n\n File: " + name + " opened. \n";
}
std::string failedToOpen(const std::string& name) {
  return " Failed to open file: " + name + " \n";
}

// A format reply other than 1 or 2, or none, means 2.
int formatReply(std::optional<std::int32_t> reply) {
  return reply == 1 ? 1 : 2;
}

// Ends a failed run: the caller's message has been printed, the files are closed.
int fail(Console& console) {
  console.print(kPressAnyKey);
  console.waitForKey();
  return kExitFailed;
}

}  // namespace

std::optional<RunSettings> askSettings(Console& console, ReplyReader& replies) {
  console.print(kBanner);
  console.print(std::string("\n  Email:  ") + kContactAddress + " \n");
  console.print(kAbout);

  RunSettings settings;
  settings.inputName = replies.readName();
  Opened<InputFile> input = InputFile::open(settings.inputName);
  if (!input.file) {
    console.print(failedToOpen(settings.inputName));
    if (input.error == OpenError::kIsStandardInput) console.print(kInputIsStandardInput);
    return std::nullopt;
  }
  settings.input = std::move(*input.file);
  console.print(opened(settings.inputName));

  console.print(kAskHeaderLines);
  settings.headerLines = replies.readInteger().value_or(0);
  console.print(kAskAmplitudeFormat);
  settings.amplitudeFormat = static_cast<AmplitudeFormat>(formatReply(replies.readInteger()));
  console.print(kAskOutputFormat);
  settings.outputFormat = static_cast<OutputFormat>(formatReply(replies.readInteger()));

  console.print(kAskOutputName);
  settings.outputName = replies.readName();
  Opened<OutputFile> output = OutputFile::open(settings.outputName, settings.input);
  if (!output.file) {
    console.print(failedToOpen(settings.outputName));
    if (output.error == OpenError::kIsInputFile) console.print(kOutputIsInput);
    return std::nullopt;
  }
  settings.output = std::move(*output.file);
  console.print(opened(settings.outputName));
  return settings;
}

int runConversion(Console& console, ByteSource& replySource) {
  ReplyReader replies(replySource);
  std::optional<RunSettings> settings;
  try {
    settings = askSettings(console, replies);
  } catch (const std::bad_alloc&) {
    // A reply of gigabytes (a spectrum too large is a failure to read, below).
    console.print(kOutOfMemory);
    return fail(console);
  }
  if (!settings) return fail(console);

  const SpectrumReadResult read =
      readSpectrum(settings->input, settings->headerLines, settings->amplitudeFormat,
                   kReadBlockSize, settings->input.size());
  if (read.readError) {
    settings->input.close();
    settings->output.close();
    console.print(" Failed to read file: " + settings->inputName + " \n");
    return fail(console);
  }

  const BandPlan plan = makeBandPlan(settings->outputFormat);
  const BandLevels levels = accumulateBandLevels(plan, read.spectrum);
  const std::string warnings = dataWarnings(read, plan, levels);
  console.print(warnings);
  std::string report;
  writeBandReport(report, plan, levels);
  // The previous report is replaced only now that the new one is ready.
  if (settings->output.truncate()) settings->output.write(report);

  settings->input.close();
  if (!settings->output.close()) {
    console.print(" Failed to write file: " + settings->outputName + " \n");
    return fail(console);
  }
  console.print(kFormatNote);
  console.print(kComplete);
  console.waitForKey();
  return warnings.empty() ? kExitDone : kExitPartialData;
}

}  // namespace kelmor
