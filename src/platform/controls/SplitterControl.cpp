#include "platform/controls/SplitterControl.h"

#include "platform/controls/ChildForm.h"
#include "platform/controls/Twips.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSplitter>

namespace lv8int {

class SplitterControl::Holder {
 public:
  QPointer<QSplitter> splitter;
};

SplitterControl::SplitterControl(ChildForm& form) : form_(&form), holder_(new Holder) {
  holder_->splitter = new QSplitter(Qt::Horizontal);
  form.place(Ref<Object>(this), holder_->splitter, true, [this] { form_ = nullptr; });
}

SplitterControl::~SplitterControl() {
  // After the application's end Qt cannot delete widgets any more; the process is ending.
  if (QCoreApplication::instance()) delete holder_->splitter.data();
  delete holder_;
}

QSplitter* SplitterControl::splitter() const { return holder_->splitter; }

int32_t SplitterControl::Top() const {
  return holder_->splitter ? twips::fromPixelsY(holder_->splitter->y()) : 0;
}

void SplitterControl::put_Top(int32_t value) {
  if (!holder_->splitter) raiseError(err::ObjectNotSet);
  holder_->splitter->move(0, twips::toPixelsY(value));
  if (form_) form_->layoutControls();
}

int32_t SplitterControl::Height() const {
  return holder_->splitter ? twips::fromPixelsY(holder_->splitter->height()) : 0;
}

const DispatchTable* SplitterControl::classDispatchTable() {
  using C = SplitterControl;
  static const DispatchTable table = DispatchBuilder<C>(u"Splitter")
                                         .get(u"Top", &C::Top)
                                         .put(u"Top", &C::put_Top)
                                         .get(u"Height", &C::Height)
                                         .build();
  return &table;
}

}  // namespace lv8int
