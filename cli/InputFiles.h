#pragma once
// The files an encrypt command works on: the named files as they are, and the PDF files of the
// named folders.

#include <filesystem>
#include <string>
#include <vector>

namespace cli {

struct TInputFiles {
  std::vector<std::filesystem::path> Files;  // in the order they are encrypted
  struct TFolderProblem {
    std::filesystem::path Folder;
    std::string Reason;
  };
  std::vector<TFolderProblem> UnreadableFolders;
  std::vector<std::filesystem::path> FoldersWithoutPDF;
};

// A folder contributes its files whose extension is ".pdf" in any case, sorted by name; with
// recursive, then each subfolder in name order the same way. Links to folders are not followed
// (a link to a parent would never end). An operand that is no folder is taken as a file, even a
// missing one: its inspection reports what is wrong with it.
TInputFiles CollectInputFiles(const std::vector<std::string>& operands, bool recursive);

bool HasPDFExtension(const std::filesystem::path& path);

}  // namespace cli
