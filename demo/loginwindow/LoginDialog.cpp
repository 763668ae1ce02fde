#include "LoginDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "platform/automation/AutomationError.h"

namespace lv8demo {

LoginDialog::LoginDialog(Check check, const QString& dataSource) : check_(std::move(check)) {
  setWindowTitle(QStringLiteral("登录"));
  user_ = new QLineEdit;
  user_->setObjectName(QStringLiteral("user"));
  password_ = new QLineEdit;
  password_->setObjectName(QStringLiteral("password"));
  password_->setEchoMode(QLineEdit::Password);
  dataSource_ = new QComboBox;
  dataSource_->setObjectName(QStringLiteral("dataSource"));
  dataSource_->addItem(dataSource);
  message_ = new QLabel;
  message_->setObjectName(QStringLiteral("message"));
  message_->setStyleSheet(QStringLiteral("color: #b00020"));
  message_->hide();

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("用户(&U)："), user_);
  form->addRow(QStringLiteral("口令(&P)："), password_);
  form->addRow(QStringLiteral("数据源(&D)："), dataSource_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("登录"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  connect(buttons, &QDialogButtonBox::accepted, this, &LoginDialog::tryLogin);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(message_);
  layout->addWidget(buttons);
  setMinimumWidth(340);
  // Its own size before the application centres it over the main window (not a default one).
  adjustSize();
}

QString LoginDialog::message() const { return message_->isHidden() ? QString() : message_->text(); }

void LoginDialog::tryLogin() {
  // Guessing is made slow: after every third failure in a row the next answer waits.
  if (failures_ > 0 && failures_ % 3 == 0) QThread::msleep(1000);
  try {
    record_ = check_(user_->text().toStdU16String(), password_->text().toStdU16String());
    failures_ = 0;
    accept();
  } catch (const lv8int::AutomationError& e) {
    ++failures_;
    message_->setText(QString::fromStdU16String(e.description()));
    message_->show();
    password_->clear();
    password_->setFocus();
  }
}

}  // namespace lv8demo
