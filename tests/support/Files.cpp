#include "tests/support/Files.h"

#include <grp.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  const fs::path parent = fs::path(path).parent_path();
  if (!parent.empty()) fs::create_directories(parent);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFolder(const std::string& prefix) {
  std::string templ = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder from " + templ);
  return templ;
}

void RemoveFolder(const std::string& path) {
  std::error_code ignored;
  // A test may have taken away the rights to list or change a folder; give them back first.
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (auto it = fs::recursive_directory_iterator(path, fs::directory_options::skip_permission_denied, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_symlink(ignored)) continue;
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(path, ignored);
}

InTempFolder::InTempFolder(const std::string& prefix)
    : Previous(fs::current_path().string()), Path(TempFolder(prefix)) {
  fs::current_path(Path);
}

InTempFolder::~InTempFolder() {
  std::error_code ignored;
  fs::current_path(Previous, ignored);
  RemoveFolder(Path);
}

namespace {
constexpr uid_t kNobody = 65534;
}  // namespace

void GiveToOrdinaryUser(const std::vector<std::string>& paths) {
  if (geteuid() != 0) return;
  for (const std::string& path : paths)
    if (::lchown(path.c_str(), kNobody, kNobody) != 0)
      throw std::runtime_error("cannot give " + path + " to nobody");
}

bool BecomeOrdinaryUser() {
  if (geteuid() != 0) return true;
  return setgroups(0, nullptr) == 0 && setresgid(kNobody, kNobody, kNobody) == 0 &&
         setresuid(kNobody, kNobody, kNobody) == 0 && geteuid() == kNobody;
}

int SoakRounds(int brief, int full) {
  const char* soak = std::getenv("ZANORU_SOAK");
  return soak != nullptr && *soak != '\0' && std::string(soak) != "0" ? full : brief;
}
