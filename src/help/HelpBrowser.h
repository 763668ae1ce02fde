#pragma once
// The page view of the help window: HTML pages and their images are loaded from the open
// compiled help file; a reference to anything outside it loads nothing.
#include <QTextBrowser>

namespace lv8int {

namespace chm {
class ChmFile;
}

class HelpBrowser : public QTextBrowser {
  Q_OBJECT
 public:
  explicit HelpBrowser(QWidget* parent = nullptr);

  void setFile(const chm::ChmFile* file) { file_ = file; }
  // The URL of an entry of the file ("/intro.htm" -> chm:/intro.htm).
  static QUrl urlOf(const std::string& entry);
  // The entry a URL names, or "" when it is not one of the file's.
  std::string entryOf(const QUrl& url) const;

  QVariant loadResource(int type, const QUrl& name) override;

 private:
  const chm::ChmFile* file_ = nullptr;
};

}  // namespace lv8int
