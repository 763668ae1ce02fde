#include "help/HelpBrowser.h"

#include <optional>

#include "platform/chm/ChmFile.h"
#include "platform/chm/Sitemap.h"

namespace lv8int {

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
  setOpenExternalLinks(false);
  setOpenLinks(true);
}

QUrl HelpBrowser::urlOf(const std::string& entry) {
  QUrl url;
  url.setScheme(QStringLiteral("chm"));
  url.setPath(QString::fromStdString(entry));
  return url;
}

std::string HelpBrowser::entryOf(const QUrl& url) const {
  if (!file_) return {};
  if (!url.scheme().isEmpty() && url.scheme() != QLatin1String("chm") && url.scheme() != QLatin1String("ms-its") &&
      url.scheme() != QLatin1String("mk"))
    return {};
  const QString text = url.scheme() == QLatin1String("chm") ? url.path() : url.toString(QUrl::RemoveFragment);
  return file_->find(text.toStdString());
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
  const std::string entry = entryOf(name);
  if (entry.empty()) return {};
  std::optional<std::string> bytes = file_->read(entry);
  if (!bytes) return {};
  if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
    return QString::fromStdString(chm::toUtf8Text(*bytes));
  return QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
}

}  // namespace lv8int
