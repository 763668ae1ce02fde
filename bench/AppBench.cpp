// The application object's start-up and its password encryption against the least work the
// same result needs: CApplication.Init on a small configuration tree against reading and
// parsing the files Init reads, and EncryptPWD against the bare chained exclusive-or over
// key bytes computed beforehand.
#include <fcntl.h>
#include <pugixml.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "SideBySide.h"
#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "app/modTypeConvert.h"
#include "platform/helpers/Helpers.h"
#include "platform/host/IMDIForm.h"
#include "platform/registry/Registry.h"

namespace {

using namespace lv8int;
namespace fs = std::filesystem;

// A main form that takes its caption and the console and shows nothing.
class QuietMainForm : public IMDIForm {
 public:
  void Show() override {}
  void Hide() override {}
  int32_t hwnd() override { return 0; }
  void putCaption(const String& caption) { caption_ = caption; }
  String Caption() const { return caption_; }
  void SetConsole(const Ref<Object>&) {}

  const DispatchTable* dispatchTable() const override {
    static const DispatchTable t = DispatchBuilder<QuietMainForm>(u"QuietMainForm")
                                       .get(u"Caption", &QuietMainForm::Caption)
                                       .put(u"Caption", &QuietMainForm::putCaption)
                                       .method(u"SetConsole", &QuietMainForm::SetConsole)
                                       .build();
    return &t;
  }

 private:
  String caption_;
};

void age(const fs::path& path) {
  timespec times[2];
  clock_gettime(CLOCK_REALTIME, &times[0]);
  times[0].tv_sec -= 3600;
  times[1] = times[0];
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void writeFile(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

// A host program beside its configuration tree, as an installation lays it out: the markers,
// the system properties, the default machine store (the machine has no store of its own yet),
// and empty registry hives.
class Tree {
 public:
  fs::path folder = fs::temp_directory_path() / ("lv8bench-init-" + std::to_string(::getpid()));
  fs::path host = folder / "host" / "LV8ADSAPP";
  fs::path root = folder / "host" / "Config";
  fs::path app = root / "LV8ADSAPP";
  std::unique_ptr<Registry> registry;

  Tree() {
    writeFile(host, "");
    for (const char* marker : {"LV8ADSAPP", "LV8ASSAPP", "LV8AMSAPP"}) fs::create_directories(root / marker);
    fs::create_directories(app / "Users");
    fs::create_directories(app / "Machines");
    writeFile(app / "System" / "system.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n"
              "  <property name=\"ApplicationTitle\" value=\"测试账务系统\"/>\n"
              "  <property name=\"ApplicationAddIn\" value=\"\"/>\n"
              "  <property name=\"ApplicationLoginWindow\" value=\"LV8Test.LoginWindow\"/>\n"
              "  <property name=\"ApplicationHelpFile\" value=\"help/lv8test.chm\"/>\n</config>\n");
    writeFile(app / "System" / "userdefault.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n"
              "  <property name=\"UserSetting\" value=\"from userdefault\"/>\n</config>\n");
    const std::string store =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<registry format=\"lv8int-registry\" version=\"1\">\n"
        "  <value name=\"Origin\" text=\"Default\"/>\n</registry>\n";
    writeFile(app / "Default" / "MachineCfg.xml", store);
    writeFile(app / "Default" / "UserCfg.xml", store);
    const std::string hive = "Windows Registry Editor Version 5.00\r\n\r\n";
    writeFile(folder / "machine.reg", hive);
    writeFile(folder / "user.reg", hive);
    // As installed and run before on this machine: the machine's folder is there, and no
    // folder has changed in the last hour.
    fs::create_directories(app / "Machines" / toUtf8(helpers::computerName()));
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      if (entry.is_directory()) age(entry.path());
    age(folder);
    registry = std::make_unique<Registry>(fromUtf8((folder / "machine.reg").string()),
                                          fromUtf8((folder / "user.reg").string()));
    IRegistry::exchangeCurrent(registry.get());
  }
  ~Tree() {
    IRegistry::exchangeCurrent(nullptr);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
};

std::string readWhole(const std::string& file) {
  std::string out;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return out;
  struct stat st;
  if (::fstat(fd, &st) == 0) {
    out.resize(static_cast<size_t>(st.st_size));
    if (::read(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size())) out.clear();
  }
  ::close(fd);
  return out;
}

void BM_ApplicationInit(benchmark::State& state) {
  Tree tree;
  const String hostPath = fromUtf8(tree.host.string());
  Ref<Object> form = make<QuietMainForm>();
  // What Init reads: the system properties, the machine store (the default one while the
  // machine has none of its own) and the two registry hives.
  const std::string xmlFiles[] = {(tree.app / "System" / "system.xml").string(),
                                  (tree.app / "Default" / "MachineCfg.xml").string()};
  const std::string hiveFiles[] = {(tree.folder / "machine.reg").string(), (tree.folder / "user.reg").string()};
  lv8bench::sideBySide(
      state, 1,
      [&] {
        // The thread's shared application: the configuration reads the host's path from it.
        Ref<CApplication> app = GZRGNTUtil::sharedApplication();
        app->Init(form, hostPath);
        app->Terminate();
      },
      [&] {
        size_t seen = 0;
        for (const std::string& f : xmlFiles) {
          pugi::xml_document doc;
          const std::string bytes = readWhole(f);
          doc.load_buffer(bytes.data(), bytes.size());
          seen += doc.document_element().empty() ? 0 : 1;
        }
        for (const std::string& f : hiveFiles) {
          const std::string bytes = readWhole(f);
          for (char c : bytes) seen += c == '\n';
        }
        benchmark::DoNotOptimize(seen);
      });
}
BENCHMARK(BM_ApplicationInit)->Unit(benchmark::kMicrosecond);

void BM_EncryptPWD(benchmark::State& state) {
  Ref<CApplication> app = make<CApplication>();
  const String password = u"secret42";
  // The raw anchor's key bytes, computed beforehand (a key of 19 characters, two bytes each).
  const std::vector<uint8_t> key = modTypeConvert::StrToAnsiBytes(u"示例软件（开发）有限责任公司口令用密钥");
  lv8bench::sideBySide(
      state, 1000, [&] { benchmark::DoNotOptimize(app->EncryptPWD(password)); },
      [&] {
        uint8_t t[24] = {};
        for (size_t i = 0; i < password.size() && i < 12; ++i) {
          t[2 * i] = static_cast<uint8_t>(password[i] & 0xFF);
          t[2 * i + 1] = static_cast<uint8_t>(password[i] >> 8);
        }
        static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
        String out(48, u'0');
        uint8_t prev = 0;
        for (size_t i = 0; i < 24; ++i) {
          prev = static_cast<uint8_t>(key[i % key.size()] ^ t[i] ^ prev);
          out[2 * i] = kDigits[prev >> 4];
          out[2 * i + 1] = kDigits[prev & 0x0F];
        }
        benchmark::DoNotOptimize(out);
      });
}
BENCHMARK(BM_EncryptPWD);

}  // namespace
