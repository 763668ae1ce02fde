#include "support/ToolProcess.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace lv8int::test {

ToolRun runTool(const std::string& program, const QStringList& args, const ToolEnvironment& environment,
                const QByteArray& input) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : environment) {
    if (value) env.insert(name, *value);
    else env.remove(name);
  }
  p.setProcessEnvironment(env);
  p.start(QString::fromStdString(std::string(LV8_BINARY_DIR) + "/" + program), args);
  if (!input.isNull()) p.write(input);
  p.closeWriteChannel();
  if (!p.waitForFinished(60000)) return {-1, {}, program + " did not finish: " + p.errorString().toStdString()};
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
          p.readAllStandardError().toStdString()};
}

}  // namespace lv8int::test
