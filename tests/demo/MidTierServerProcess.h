#pragma once
// The middle-tier server (tools/lv8-midtier) in a child process on 127.0.0.1, serving the
// sample middle tier and the probe component registered in a sample folder's machine hive. It
// listens on a port the system picks; the child is stopped (and killed if it must be) at the
// end of the scope, and every wait for it has a limit.
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <chrono>
#include <functional>
#include <thread>

#include "SampleSetup.h"
#include "platform/components/RemoteConnection.h"

namespace lv8int::test {

inline const std::string kProbePlugin = kBinaryDir + "/plugins/midtierprobe.so";
inline const std::string kMidTierFixtures = std::string(LV8_TEST_FIXTURES) + "/midtier/";

// The stored passwords of the seeded users (EncryptPWD of "1234", "admin" and "").
inline constexpr char16_t kKj01Password[] = u"8F458A4A945C962A82218B349621882BFB28F639C91DD31B";
inline constexpr char16_t kAdminPassword[] = u"DF158C4CCC04932FE94AE05FFD4AE34090439D52A276B870";

// The sample set up with the probe registered beside the middle tier.
class ServedSample : public SampleSetup {
 public:
  ServedSample() {
    ToolRun sample = registerPlugin();
    ToolRun probe = run("tools/lv8-regsvr", {QString::fromStdString(kProbePlugin)});
    registered = sample.exitCode == 0 && probe.exitCode == 0;
    failure = sample.err + probe.err;
  }
  bool registered = false;
  std::string failure;
};

class MidTierServerProcess {
 public:
  MidTierServerProcess(const SampleSetup& sample, QStringList extra = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LV8INT_REGISTRY", QString::fromStdU16String(sample.machineHive));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(sample.dir.file("server-config")));
    env.insert("LV8_MIDTIER_DATABASE", QString::fromStdU16String(sample.database));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    QStringList args{"--listen", "127.0.0.1:0", "--login-delay", "100"};
    args << extra;
    process_.start(QString::fromStdString(kBinaryDir + "/tools/lv8-midtier"), args);
    QElapsedTimer clock;
    clock.start();
    QByteArray out;
    static const QRegularExpression listening("listening on 127\\.0\\.0\\.1:(\\d+)");
    while (clock.elapsed() < 20000 && process_.state() != QProcess::NotRunning) {
      process_.waitForReadyRead(200);
      out += process_.readAllStandardOutput();
      QRegularExpressionMatch m = listening.match(QString::fromUtf8(out));
      if (m.hasMatch()) {
        server = u"127.0.0.1:" + m.captured(1).toStdU16String();
        return;
      }
    }
    failure = QString::fromUtf8(out + process_.readAllStandardError());
  }

  ~MidTierServerProcess() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }

  bool running() { return !server.empty() && process_.state() == QProcess::Running; }
  int exitCode() { return process_.exitCode(); }
  QString errors() { return QString::fromUtf8(process_.readAllStandardError()); }

  // Asks until `done` holds for the server's state, up to `limit`.
  bool waitFor(const std::function<bool(const RemoteConnection::Status&)>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      if (done(RemoteConnection::forServer(server)->ping())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  String server;  // "127.0.0.1:<port>"; empty when it did not start
  QString failure;

 private:
  QProcess process_;
};

}  // namespace lv8int::test
