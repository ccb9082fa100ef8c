// Signals that would end the run halfway through a write: SIGPIPE (the console's reader went
// away, as with `kelmor | head`, or a report written into a pipe without reader) and SIGXFSZ (a
// file size limit). Ignored for the whole run, the failed write is seen instead: the console is
// then left alone and the run goes on, and the report is "Failed to write file" with status 1.
// Nothing to do where these signals do not exist (Windows).
#pragma once

namespace kelmor {

void ignoreWriteSignals();

}  // namespace kelmor
