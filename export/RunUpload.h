// The upload of one run's archive to the family's server: one attempt after
// another while the failures may pass, each stored file checked.
#pragma once

#include "export/RunExport.h"

namespace tramex {

// Returns Uploaded once the server confirmed and the check passed, Packing
// when the archive is gone, Ftp when the server hung up right after the
// login (each with its box). Raises RunFailure (Ftp) with the last attempt's
// error, naming the archive, the server and the FTP step, once the retries
// of options are spent or the failure is not one that may pass;
// InterruptedError on a stop request, also during a wait.
ExitStatus UploadArchive(const ParametrosEnvio& run, TFtpClient& ftp, RunDisplay& display,
                         const RunOptions& options);

}  // namespace tramex
