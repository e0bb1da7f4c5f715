#pragma once
// What every batch command (encrypt, decrypt) does around the job: screens the inputs as the
// desktop window screens the files added to its list, runs the job over the accepted ones with
// status lines, a progress bar and Ctrl-C, and reports folders that gave nothing.

#include <string>

#include "app/core/BatchSettings.h"
#include "cli/InputFiles.h"

namespace cli {

// -o names one file and the names are UTF-8: not a folder on either side. Throws TUsageError.
void CheckOutputNames(const std::string& outputFolder, const std::string& outputFile, const std::string& firstInput);

// Creates the output folder when there is one; false (the cause printed) when it cannot be made.
bool CreateOutputFolder(const std::string& folder);

// Runs job over inputs with jobs files at once. done is the past participle for the stop message
// ("encrypted"). Returns the exit status: 0 when every file succeeded, 1 otherwise. Raises
// ombrelt::app::EBatchJobError when the batch cannot go on.
int RunBatch(const TInputFiles& inputs, ombrelt::app::TBatchSettings job, int jobs, const std::string& done);

}  // namespace cli
