#pragma once
// The help window: one modeless window per thread showing a compiled help file, with tabs for
// its table of contents, its index and a full-text search beside the page view, and the
// viewer's back, forward, home and print above it. Its texts follow the suite's language.
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/automation/String.h"

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPrinter;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace lv8int {

namespace chm {
class ChmFile;
struct SitemapItem;
}  // namespace chm

class HelpBrowser;

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  // The commands of the help display.
  enum Command : int32_t { DisplayToc = 1, DisplayIndex = 2, DisplaySearch = 3, HelpContext = 15, CloseAll = 18 };
  enum Tab { ContentsTab = 0, IndexTab = 1, SearchTab = 2 };

  // Carries out a command for the help file at `path` (UTF-8; not used by CloseAll) with its
  // argument (the context number for HelpContext). Returns the window shown, or null when the
  // file cannot be opened as a compiled help file or the command closes windows.
  static HelpWindow* execute(const String& path, int32_t command, int32_t data = 0);
  // This thread's help window, or null.
  static HelpWindow* current();
  // Closes every help window of the process (those of other threads on their own thread).
  static void closeAll();

  ~HelpWindow() override;

  const std::string& filePath() const { return path_; }
  // The entry shown ("/intro.htm"), or "" when the view shows a message instead of a page.
  const std::string& currentPage() const { return page_; }
  // The message shown in place of a page, or "".
  QString message() const;
  int currentTab() const;
  QTreeWidget* contentsTree() const { return contents_; }
  QListWidget* indexList() const { return index_; }
  QLineEdit* indexFilter() const { return indexFilter_; }
  QLineEdit* searchQuery() const { return searchQuery_; }
  QListWidget* searchResults() const { return results_; }
  HelpBrowser* browser() const { return browser_; }

  // Shows an entry of the file (a reference as the sitemaps write it); false when there is no
  // such entry.
  bool showPage(const std::string& reference);
  // Prints the page shown (the window's Print button asks for the printer first).
  void printPage(QPrinter* printer) const;
  // Fills the search results with the pages holding every word of `query`; the number found.
  int search(const QString& query);

 private:
  HelpWindow();
  // Back, forward, home and print above the page.
  QHBoxLayout* buildNavigation();
  bool load(const std::string& path);
  void showDefaultTopic();
  void showMessage(const QString& text);
  void fillContents();
  // Selects the contents entry of the page shown (its parents opened), or none.
  void selectInContents();
  void fillIndex();
  void filterIndex(const QString& text);
  void addTreeItems(QTreeWidgetItem* parent, const std::vector<chm::SitemapItem>& items);
  void buildSearchText();

  std::unique_ptr<chm::ChmFile> file_;
  std::string path_;
  std::string page_;
  QTabWidget* tabs_ = nullptr;
  QTreeWidget* contents_ = nullptr;
  QLineEdit* indexFilter_ = nullptr;
  QListWidget* index_ = nullptr;
  QLineEdit* searchQuery_ = nullptr;
  QListWidget* results_ = nullptr;
  HelpBrowser* browser_ = nullptr;
  QToolButton* back_ = nullptr;
  QToolButton* forward_ = nullptr;
  QLabel* status_ = nullptr;
  // Page entry, title and plain text (lower case) for the search; built on the first search.
  struct PageText {
    std::string entry;
    QString title;
    QString text;
  };
  std::vector<PageText> pages_;
  bool pagesBuilt_ = false;
};

}  // namespace lv8int
