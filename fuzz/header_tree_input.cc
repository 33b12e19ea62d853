#include "fuzz/header_tree_input.h"

#include <algorithm>
#include <fstream>

const std::vector<std::string> kTreeFileNames = {
    "a.h", "b.h", "sub/c.h", "sub/d.h", "sub/deep/e.h", "sys/s.h", "sp ace.h", "\xe9t\xe9.h",
};

const std::vector<std::string> kTreeSystemIncludeDirs = {"sys/", "sub/"};

namespace {

constexpr char kSectionSeparator = '\xff';

std::string rootArgument(const std::string& name, unsigned char selector) {
  switch (selector / 8 % 4) {
    case 1:
      return "./" + name;
    case 2: {
      std::string backslashed = name;
      std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
      return backslashed;
    }
    case 3:
      return "\"" + name + "\"";
    default:
      return name;
  }
}

}  // namespace

HeaderTree decodeHeaderTree(std::string_view input) {
  HeaderTree tree;
  tree.rootArgument = kTreeFileNames.front();
  for (std::size_t section = 0; section < kMaxTreeSections && !input.empty(); ++section) {
    const std::size_t end = std::min(input.find(kSectionSeparator), input.size());
    const std::string_view bytes = input.substr(0, end);
    input.remove_prefix(std::min(end + 1, input.size()));
    if (bytes.empty()) continue;
    const auto selector = static_cast<unsigned char>(bytes.front());
    const std::string& name = kTreeFileNames[selector % kTreeFileNames.size()];
    if (section == 0) tree.rootArgument = rootArgument(name, selector);
    const auto same = std::find_if(tree.files.begin(), tree.files.end(),
                                   [&](const auto& file) { return file.first == name; });
    if (same != tree.files.end()) tree.files.erase(same);
    tree.files.emplace_back(name, bytes.substr(1));
  }
  return tree;
}

void writeHeaderTree(const HeaderTree& tree, const std::filesystem::path& directory) {
  std::filesystem::create_directories(directory / "sub" / "deep");
  std::filesystem::create_directories(directory / "sys");
  for (const auto& [name, content] : tree.files) {
    std::ofstream out(directory / name, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
  }
}
