#include "cli/InputFiles.h"

#include <algorithm>
#include <system_error>

namespace cli {

namespace fs = std::filesystem;

namespace {

bool ByName(const fs::path& a, const fs::path& b) { return a.filename().native() < b.filename().native(); }

void CollectFolder(const fs::path& folder, bool recursive, TInputFiles& inputs) {
  std::vector<fs::path> files;
  std::vector<fs::path> subfolders;
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const fs::directory_entry& entry = *entries;
    std::error_code ignored;
    if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) {
      if (recursive) subfolders.push_back(entry.path());
    } else if (HasPDFExtension(entry.path()) && entry.is_regular_file(ignored)) {
      files.push_back(entry.path());
    }
  }
  if (error) {
    inputs.UnreadableFolders.push_back({folder, error.message()});
    return;
  }
  std::sort(files.begin(), files.end(), ByName);
  std::sort(subfolders.begin(), subfolders.end(), ByName);
  inputs.Files.insert(inputs.Files.end(), files.begin(), files.end());
  for (const fs::path& subfolder : subfolders) CollectFolder(subfolder, recursive, inputs);
}

}  // namespace

bool HasPDFExtension(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); });
  return extension == ".pdf";
}

TInputFiles CollectInputFiles(const std::vector<std::string>& operands, bool recursive) {
  TInputFiles inputs;
  for (const std::string& operand : operands) {
    std::error_code error;
    if (fs::is_directory(operand, error)) {
      const std::size_t before = inputs.Files.size();
      const std::size_t problemsBefore = inputs.UnreadableFolders.size();
      CollectFolder(operand, recursive, inputs);
      if (inputs.Files.size() == before && inputs.UnreadableFolders.size() == problemsBefore) {
        inputs.FoldersWithoutPDF.emplace_back(operand);
      }
    } else {
      inputs.Files.emplace_back(operand);
    }
  }
  return inputs;
}

}  // namespace cli
