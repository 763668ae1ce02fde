#include "help/HelpWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QSplitter>
#include <QTabWidget>
#include <QThread>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <vector>

#include "help/HelpBrowser.h"
#include "platform/chm/ChmFile.h"
#include "platform/chm/Sitemap.h"
#include "platform/ui/UiLanguage.h"

namespace lv8int {

namespace {

// Every help window of the process, for closing them all from any thread.
std::mutex& windowsMutex() {
  static std::mutex m;
  return m;
}
std::vector<HelpWindow*>& windows() {
  static std::vector<HelpWindow*> list;
  return list;
}
thread_local QPointer<HelpWindow> threadWindow;

constexpr int kReferenceRole = Qt::UserRole + 1;
// The file's entry a contents item leads to ("/intro.htm"), resolved once when the tree is filled.
constexpr int kEntryRole = Qt::UserRole + 2;

bool isPage(const std::string& entry) {
  std::string l = entry;
  std::transform(l.begin(), l.end(), l.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return l.ends_with(".htm") || l.ends_with(".html");
}

// The text of a page without its markup, and its <title>.
void pageText(const std::string& html, QString& title, QString& text) {
  std::string plain;
  plain.reserve(html.size());
  std::string lowerHtml = html;
  std::transform(lowerHtml.begin(), lowerHtml.end(), lowerHtml.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::string rawTitle;
  for (size_t i = 0; i < html.size();) {
    if (html[i] != '<') {
      plain += html[i++];
      continue;
    }
    // Script and style bodies are no text of the page.
    for (const char* skip : {"<script", "<style"}) {
      if (lowerHtml.compare(i, std::strlen(skip), skip) == 0) {
        const std::string close = std::string("</") + (skip + 1);
        const size_t end = lowerHtml.find(close, i);
        i = end == std::string::npos ? html.size() : end;
        break;
      }
    }
    if (rawTitle.empty() && lowerHtml.compare(i, 6, "<title") == 0) {
      const size_t start = html.find('>', i);
      const size_t end = lowerHtml.find("</title", i);
      if (start != std::string::npos && end != std::string::npos && end > start)
        rawTitle = html.substr(start + 1, end - start - 1);
    }
    const size_t gt = html.find('>', i);
    i = gt == std::string::npos ? html.size() : gt + 1;
    plain += ' ';
  }
  title = QString::fromStdString(chm::decodeEntities(rawTitle)).simplified();
  text = QString::fromStdString(chm::decodeEntities(plain)).simplified();
}

}  // namespace

HelpWindow::HelpWindow() {
  ui::applyUiLanguage();
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(tr("HTML Help"));
  resize(900, 600);

  tabs_ = new QTabWidget;
  contents_ = new QTreeWidget;
  contents_->setHeaderHidden(true);
  tabs_->addTab(contents_, tr("Contents"));

  auto* indexPage = new QWidget;
  auto* indexLayout = new QVBoxLayout(indexPage);
  indexFilter_ = new QLineEdit;
  indexFilter_->setPlaceholderText(tr("Type in the keyword to find"));
  index_ = new QListWidget;
  indexLayout->addWidget(indexFilter_);
  indexLayout->addWidget(index_);
  tabs_->addTab(indexPage, tr("Index"));

  auto* searchPage = new QWidget;
  auto* searchLayout = new QVBoxLayout(searchPage);
  auto* searchRow = new QHBoxLayout;
  searchQuery_ = new QLineEdit;
  searchQuery_->setPlaceholderText(tr("Type in the words to search for"));
  auto* searchButton = new QPushButton(tr("List Topics"));
  searchRow->addWidget(searchQuery_);
  searchRow->addWidget(searchButton);
  results_ = new QListWidget;
  searchLayout->addLayout(searchRow);
  searchLayout->addWidget(results_);
  tabs_->addTab(searchPage, tr("Search"));

  browser_ = new HelpBrowser;
  status_ = new QLabel;
  auto* right = new QWidget;
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->addLayout(buildNavigation());
  rightLayout->addWidget(browser_);
  rightLayout->addWidget(status_);
  status_->hide();

  auto* splitter = new QSplitter;
  splitter->addWidget(tabs_);
  splitter->addWidget(right);
  splitter->setStretchFactor(1, 3);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(splitter);

  connect(contents_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { showPage(item->data(0, kReferenceRole).toString().toStdString()); });
  connect(contents_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { showPage(item->data(0, kReferenceRole).toString().toStdString()); });
  auto openListItem = [this](QListWidgetItem* item) { showPage(item->data(kReferenceRole).toString().toStdString()); };
  connect(index_, &QListWidget::itemActivated, this, openListItem);
  connect(index_, &QListWidget::itemClicked, this, openListItem);
  connect(results_, &QListWidget::itemActivated, this, openListItem);
  connect(results_, &QListWidget::itemClicked, this, openListItem);
  connect(indexFilter_, &QLineEdit::textChanged, this, &HelpWindow::filterIndex);
  connect(searchQuery_, &QLineEdit::returnPressed, this, [this] { search(searchQuery_->text()); });
  connect(searchButton, &QPushButton::clicked, this, [this] { search(searchQuery_->text()); });
  // Links followed inside the view keep the current page in step.
  connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
    const std::string entry = browser_->entryOf(url);
    if (!entry.empty()) page_ = entry;
    selectInContents();
  });

  std::lock_guard<std::mutex> lock(windowsMutex());
  windows().push_back(this);
}

QHBoxLayout* HelpWindow::buildNavigation() {
  auto button = [this](const char* name, QStyle::StandardPixmap icon, const QString& text) {
    auto* b = new QToolButton;
    b->setObjectName(QLatin1String(name));
    b->setIcon(style()->standardIcon(icon));
    b->setText(text);
    b->setToolTip(text);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setAutoRaise(true);
    return b;
  };
  back_ = button("back", QStyle::SP_ArrowBack, tr("Back"));
  forward_ = button("forward", QStyle::SP_ArrowForward, tr("Forward"));
  auto* home = button("home", QStyle::SP_DirHomeIcon, tr("Home"));
  auto* print = button("print", QStyle::SP_FileIcon, tr("Print"));
  back_->setEnabled(false);
  forward_->setEnabled(false);
  connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
  connect(home, &QToolButton::clicked, this, [this] {
    if (file_) showDefaultTopic();
  });
  connect(print, &QToolButton::clicked, this, [this] {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) printPage(&printer);
  });
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  for (QToolButton* b : {back_, forward_, home, print}) row->addWidget(b);
  row->addStretch();
  return row;
}

void HelpWindow::printPage(QPrinter* printer) const { browser_->print(printer); }

HelpWindow::~HelpWindow() {
  std::lock_guard<std::mutex> lock(windowsMutex());
  auto& list = windows();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

HelpWindow* HelpWindow::current() { return threadWindow.data(); }

HelpWindow* HelpWindow::execute(const String& path, int32_t command, int32_t data) {
  if (command == CloseAll) {
    closeAll();
    return nullptr;
  }
  if (command != DisplayToc && command != DisplayIndex && command != DisplaySearch && command != HelpContext)
    return nullptr;

  const std::string file = toUtf8(path);
  HelpWindow* window = threadWindow.data();
  const bool created = window == nullptr;
  if (created) window = new HelpWindow();
  bool fresh = false;
  if (window->path_ != file || !window->file_) {
    if (!window->load(file)) {
      if (created) delete window;
      return nullptr;
    }
    fresh = true;
  }
  if (created) threadWindow = window;

  switch (command) {
    case DisplayToc:
      window->tabs_->setCurrentIndex(ContentsTab);
      if (fresh) window->showDefaultTopic();
      break;
    case DisplayIndex:
      window->tabs_->setCurrentIndex(IndexTab);
      if (fresh) window->showDefaultTopic();
      break;
    case DisplaySearch:
      window->tabs_->setCurrentIndex(SearchTab);
      window->searchQuery_->clear();
      window->results_->clear();
      if (fresh) window->showDefaultTopic();
      break;
    case HelpContext: {
      const auto& map = window->file_->contextMap();
      auto it = map.find(static_cast<uint32_t>(data));
      if (it == map.end() || !window->showPage(it->second))
        window->showMessage(tr("There is no topic with the context number %1 in this help file.").arg(data));
      break;
    }
    default:
      break;
  }
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

void HelpWindow::closeAll() {
  std::vector<QPointer<HelpWindow>> own;
  {
    std::lock_guard<std::mutex> lock(windowsMutex());
    for (HelpWindow* w : windows()) {
      if (w->thread() == QThread::currentThread())
        own.emplace_back(w);
      else
        QMetaObject::invokeMethod(w, &QWidget::close, Qt::QueuedConnection);
    }
  }
  for (const QPointer<HelpWindow>& w : own)
    if (w) w->close();
}

bool HelpWindow::load(const std::string& path) {
  std::unique_ptr<chm::ChmFile> file = chm::ChmFile::open(path);
  if (!file) return false;
  browser_->setFile(nullptr);
  file_ = std::move(file);
  path_ = path;
  page_.clear();
  pages_.clear();
  pagesBuilt_ = false;
  browser_->setFile(file_.get());
  browser_->clearHistory();
  setWindowTitle(file_->title().empty() ? tr("HTML Help") : QString::fromStdString(chm::toUtf8Text(file_->title())));
  fillContents();
  fillIndex();
  results_->clear();
  searchQuery_->clear();
  return true;
}

void HelpWindow::showDefaultTopic() {
  if (!file_->defaultTopic().empty() && showPage(file_->defaultTopic())) return;
  // No default topic: the first page of the contents, else the first page of the file.
  for (QTreeWidgetItemIterator it(contents_); *it; ++it)
    if (showPage((*it)->data(0, kReferenceRole).toString().toStdString())) return;
  for (const std::string& entry : file_->entries())
    if (isPage(entry) && showPage(entry)) return;
  showMessage(tr("This help file has no pages."));
}

bool HelpWindow::showPage(const std::string& reference) {
  if (!file_ || reference.empty()) return false;
  const std::string entry = file_->find(reference);
  if (entry.empty()) return false;
  status_->clear();
  status_->hide();
  page_ = entry;
  browser_->setSource(HelpBrowser::urlOf(entry));
  selectInContents();
  return true;
}

void HelpWindow::showMessage(const QString& text) {
  page_.clear();
  browser_->setHtml(QStringLiteral("<p>%1</p>").arg(text.toHtmlEscaped()));
  status_->setText(text);
  status_->show();
  selectInContents();
}

QString HelpWindow::message() const { return status_->isHidden() ? QString() : status_->text(); }

int HelpWindow::currentTab() const { return tabs_->currentIndex(); }

void HelpWindow::addTreeItems(QTreeWidgetItem* parent, const std::vector<chm::SitemapItem>& items) {
  for (const chm::SitemapItem& item : items) {
    auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(contents_);
    node->setText(0, QString::fromStdString(item.name.empty() ? item.local : item.name));
    node->setData(0, kReferenceRole, QString::fromStdString(item.local));
    if (!item.local.empty()) node->setData(0, kEntryRole, QString::fromStdString(file_->find(item.local)));
    addTreeItems(node, item.children);
  }
}

void HelpWindow::fillContents() {
  contents_->clear();
  if (file_->contentsFile().empty()) return;
  if (std::optional<std::string> bytes = file_->read(file_->contentsFile()))
    addTreeItems(nullptr, chm::parseSitemap(*bytes));
  contents_->expandToDepth(0);
}

void HelpWindow::selectInContents() {
  const QString entry = QString::fromStdString(page_);
  QTreeWidgetItem* found = nullptr;
  if (!entry.isEmpty())
    for (QTreeWidgetItemIterator it(contents_); *it && !found; ++it)
      if ((*it)->data(0, kEntryRole).toString() == entry) found = *it;
  // The entry the reader chose stays selected when several lead to the same page.
  if (found && contents_->currentItem() && contents_->currentItem()->data(0, kEntryRole).toString() == entry) return;
  if (!found) {
    contents_->setCurrentItem(nullptr);
    contents_->clearSelection();
    return;
  }
  for (QTreeWidgetItem* parent = found->parent(); parent; parent = parent->parent()) parent->setExpanded(true);
  contents_->setCurrentItem(found);
  contents_->scrollToItem(found);
}

void HelpWindow::fillIndex() {
  index_->clear();
  indexFilter_->clear();
  if (file_->indexFile().empty()) return;
  std::optional<std::string> bytes = file_->read(file_->indexFile());
  if (!bytes) return;
  // Sub-keywords are listed after their keyword, indented.
  std::vector<std::pair<const chm::SitemapItem*, int>> stack;
  const std::vector<chm::SitemapItem> items = chm::parseSitemap(*bytes);
  for (auto it = items.rbegin(); it != items.rend(); ++it) stack.emplace_back(&*it, 0);
  while (!stack.empty()) {
    auto [item, level] = stack.back();
    stack.pop_back();
    auto* row = new QListWidgetItem(QString(level * 4, QLatin1Char(' ')) + QString::fromStdString(item->name), index_);
    row->setData(kReferenceRole, QString::fromStdString(item->local));
    for (auto c = item->children.rbegin(); c != item->children.rend(); ++c) stack.emplace_back(&*c, level + 1);
  }
}

void HelpWindow::filterIndex(const QString& text) {
  const QString wanted = text.trimmed();
  for (int i = 0; i < index_->count(); ++i) {
    QListWidgetItem* row = index_->item(i);
    if (!wanted.isEmpty() && row->text().trimmed().startsWith(wanted, Qt::CaseInsensitive)) {
      index_->setCurrentItem(row);
      index_->scrollToItem(row);
      return;
    }
  }
}

void HelpWindow::buildSearchText() {
  pagesBuilt_ = true;
  for (const std::string& entry : file_->entries()) {
    if (!isPage(entry)) continue;
    std::optional<std::string> bytes = file_->read(entry);
    if (!bytes) continue;
    PageText page;
    page.entry = entry;
    pageText(chm::toUtf8Text(*bytes), page.title, page.text);
    if (page.title.isEmpty()) page.title = QString::fromStdString(entry.substr(1));
    page.text = (page.title + QLatin1Char(' ') + page.text).toCaseFolded();
    pages_.push_back(std::move(page));
  }
}

int HelpWindow::search(const QString& query) {
  results_->clear();
  if (!file_) return 0;
  const QStringList words = query.toCaseFolded().split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (words.isEmpty()) return 0;
  if (!pagesBuilt_) buildSearchText();
  for (const PageText& page : pages_) {
    const bool all = std::all_of(words.begin(), words.end(), [&](const QString& w) { return page.text.contains(w); });
    if (!all) continue;
    auto* row = new QListWidgetItem(page.title, results_);
    row->setData(kReferenceRole, QString::fromStdString(page.entry));
  }
  return results_->count();
}

}  // namespace lv8int
