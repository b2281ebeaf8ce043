// The in-process server's entry points and the registration file.
#include "frame/entry_points.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "frame/class_registry.h"

namespace svrZIVE {
namespace {

std::atomic<long> g_liveFactories{0};
std::atomic<long> g_serverLocks{0};

// --- Registration file --------------------------------------------------------

struct Section {
  std::string key;                  // the text between the brackets
  std::vector<std::string> values;  // "name=value" lines as they stand
};

struct RegistrationFile {
  std::vector<std::string> preamble;  // lines before the first section
  std::vector<Section> sections;
};

std::string trimmed(std::string_view line) {
  const auto first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = line.find_last_not_of(" \t\r");
  return std::string(line.substr(first, last - first + 1));
}

bool readRegistrationFile(const std::filesystem::path& path, RegistrationFile& file) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return true;
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    const std::string t = trimmed(line);
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
      file.sections.push_back({t.substr(1, t.size() - 2), {}});
    } else if (t.empty()) {
      continue;
    } else if (file.sections.empty()) {
      file.preamble.push_back(t);
    } else {
      file.sections.back().values.push_back(t);
    }
  }
  return !in.bad();
}

bool writeRegistrationFile(const std::filesystem::path& path, const RegistrationFile& file) {
  std::error_code ec;
  if (file.sections.empty()) {
    std::filesystem::remove(path, ec);
    return !ec;
  }
  if (path.has_parent_path()) {
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) return false;
  }
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    if (!out) return false;
    for (const std::string& line : file.preamble) out << line << '\n';
    for (const Section& section : file.sections) {
      out << '\n' << '[' << section.key << "]\n";
      for (const std::string& value : section.values) out << value << '\n';
    }
    out.flush();
    if (!out) return false;
  }
  std::filesystem::rename(temporary, path, ec);
  if (ec) std::filesystem::remove(temporary, ec);
  return !ec;
}

std::string typeLibraryVersion() {
  return std::to_string(kTypeLibraryMajorVersion) + "." + std::to_string(kTypeLibraryMinorVersion);
}

std::string typeLibraryKey() {
  return "TypeLib\\" + std::string(kTypeLibraryId) + "\\" + typeLibraryVersion();
}

std::string clsidKey(const ClassRegistry::Class& c) { return "CLSID\\" + c.clsid; }

// The keys this library writes.
bool isOurKey(std::string_view key) {
  if (sameName(key, typeLibraryKey())) return true;
  for (const ClassRegistry::Class& c : ClassRegistry::global().classes()) {
    if (sameName(key, c.progId) || sameName(key, clsidKey(c))) return true;
  }
  return false;
}

void removeOurSections(RegistrationFile& file) {
  std::erase_if(file.sections, [](const Section& s) { return isOurKey(s.key); });
}

// The file this library was loaded from.
std::string libraryPath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) != 0 && info.dli_fname) {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(info.dli_fname, ec);
    return ec ? std::string(info.dli_fname) : path.string();
  }
  return {};
}

void addOurSections(RegistrationFile& file) {
  const std::string library = libraryPath();
  const std::string version = typeLibraryVersion();
  if (file.preamble.empty() && file.sections.empty()) {
    file.preamble.push_back("; In-process automation servers: registered classes and type libraries.");
  }
  for (const ClassRegistry::Class& c : ClassRegistry::global().classes()) {
    file.sections.push_back({c.progId, {"CLSID=" + c.clsid}});
    file.sections.push_back({clsidKey(c),
                             {"@=" + c.progId, "ProgID=" + c.progId, "InprocServer32=" + library,
                              "ThreadingModel=Apartment", "TypeLib=" + std::string(kTypeLibraryId),
                              "Version=" + version}});
  }
  file.sections.push_back({typeLibraryKey(),
                           {"@=" + std::string(kProjectName),
                            "Locale=" + std::to_string(kTypeLibraryLocale), "Path=" + library}});
}

bool sameIid(const char* iid, const char* known) {
  return canonicalClsid(iid) == canonicalClsid(known);
}

}  // namespace

std::string registrationFilePath() {
  if (const char* explicitPath = std::getenv("ZIVE_REGISTRY"); explicitPath && *explicitPath) {
    return explicitPath;
  }
  std::filesystem::path base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::filesystem::path(home) / ".config";
  } else {
    base = std::filesystem::temp_directory_path();
  }
  return (base / "svrZIVE" / "registry.ini").string();
}

// --- Class factory ------------------------------------------------------------

ClassFactory::ClassFactory(std::string className, std::string clsid)
    : className_(std::move(className)), clsid_(std::move(clsid)) {
  ++g_liveFactories;
}

ClassFactory::~ClassFactory() { --g_liveFactories; }

std::shared_ptr<AutomationObject> ClassFactory::CreateInstance() const {
  return ClassRegistry::global().create(className_);
}

void ClassFactory::LockServer(bool lock) {
  if (lock) {
    ++g_serverLocks;
  } else if (g_serverLocks > 0) {
    --g_serverLocks;
  }
}

uint32_t ClassFactory::AddRef() { return ++references_; }

uint32_t ClassFactory::Release() {
  const uint32_t left = --references_;
  if (left == 0) delete this;
  return left;
}

}  // namespace svrZIVE

using namespace svrZIVE;

extern "C" int32_t DllRegisterServer(void) {
  try {
    const std::filesystem::path path = registrationFilePath();
    RegistrationFile file;
    if (!readRegistrationFile(path, file)) return hresult::SELFREG_E_CLASS;
    removeOurSections(file);
    addOurSections(file);
    return writeRegistrationFile(path, file) ? hresult::S_OK : hresult::SELFREG_E_CLASS;
  } catch (...) {
    return hresult::SELFREG_E_CLASS;
  }
}

extern "C" int32_t DllUnregisterServer(void) {
  try {
    const std::filesystem::path path = registrationFilePath();
    RegistrationFile file;
    if (!readRegistrationFile(path, file)) return hresult::SELFREG_E_CLASS;
    const std::size_t before = file.sections.size();
    removeOurSections(file);
    if (file.sections.size() == before) return hresult::S_OK;  // nothing of ours there
    return writeRegistrationFile(path, file) ? hresult::S_OK : hresult::SELFREG_E_CLASS;
  } catch (...) {
    return hresult::SELFREG_E_CLASS;
  }
}

extern "C" int32_t DllGetClassObject(const char* clsid, const char* iid, void** factory) {
  if (!factory) return hresult::E_POINTER;
  *factory = nullptr;
  if (!clsid) return hresult::CLASS_E_CLASSNOTAVAILABLE;
  try {
    if (iid && !sameIid(iid, kIID_IClassFactory) && !sameIid(iid, kIID_IUnknown)) {
      return hresult::E_NOINTERFACE;
    }
    const ClassRegistry::Class* c = ClassRegistry::global().byClsid(clsid);
    if (!c || !c->creatable()) return hresult::CLASS_E_CLASSNOTAVAILABLE;
    *factory = new ClassFactory(c->name, c->clsid);
    return hresult::S_OK;
  } catch (...) {
    return hresult::CLASS_E_CLASSNOTAVAILABLE;
  }
}

extern "C" int32_t DllCanUnloadNow(void) {
  const bool idle = AutomationObject::liveCount() == 0 && g_liveFactories == 0 && g_serverLocks == 0;
  return idle ? hresult::S_OK : hresult::S_FALSE;
}
