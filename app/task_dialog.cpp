#include "app/task_dialog.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPalette>

#include "app/logo_image.h"
#include "app/run_window.h"
#include "app/widget_support.h"
#include "lesson/answer_check.h"
#include "lesson/answer_input.h"
#include "platform/application.h"
#include "platform/shell.h"
#include "ui_task_dialog.h"

TOKBottomDlg1* OKBottomDlg1 = nullptr;

namespace {

const QColor kInfoBackground(255, 255, 225);

void SetBase(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    palette.setColor(group, QPalette::Base, colour);
  widget->setPalette(palette);
}

}  // namespace

// Runs the dialog's key filter on every key typed into an answer field. Keys
// that type nothing (arrows, Home, Delete) and the dialog's own keys pass.
class TOKBottomDlg1::AnswerFilter final : public QObject {
 public:
  explicit AnswerFilter(TOKBottomDlg1* dialog) : QObject(dialog), dialog_(dialog) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Escape:
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
      case Qt::Key_Delete:
        return false;
      default:
        break;
    }
    const std::u32string typed = key->text().toStdU32String();
    if (typed.empty()) return false;
    auto* field = static_cast<QLineEdit*>(watched);
    std::u32string accepted;
    for (char32_t c : typed) {
      bool kept = false;
      Dispatch([&] { kept = dialog_->Edit1KeyPress(c); });
      if (!kept) continue;
      if (c == 8)
        field->backspace();
      else
        accepted.push_back(c);
    }
    if (!accepted.empty()) field->insert(QString::fromStdU32String(accepted));
    return true;
  }

 private:
  TOKBottomDlg1* dialog_;
};

TOKBottomDlg1::TOKBottomDlg1(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TOKBottomDlg1>()) {
  ui_->setupUi(this);
  Bevel1 = ui_->Bevel1;
  Memo1 = ui_->Memo1;
  Label1 = ui_->Label1;
  Edit1 = ui_->Edit1;
  Label3 = ui_->Label3;
  Button1 = ui_->Button1;
  Image9 = ui_->Image9;
  Label2 = ui_->Label2;
  Edit2 = ui_->Edit2;
  Label4 = ui_->Label4;
  Button2 = ui_->Button2;
  Image1 = ui_->Image1;
  Image10 = ui_->Image10;
  Image11 = ui_->Image11;
  OKBtn = ui_->OKBtn;
  RunButton = ui_->RunButton;

  setFont(DialogFont());
  setFixedSize(size());
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  SetBase(Memo1, kInfoBackground);
  SetBase(Edit1, kInfoBackground);
  SetBase(Edit2, kInfoBackground);
  Image10->setPixmap(SmileFace());
  Image11->setPixmap(SadFace());

  auto* filter = new AnswerFilter(this);
  for (QLineEdit* field : {Edit1, Edit2}) {
    field->installEventFilter(filter);
    // Pasted or dropped text passes the same filter, as a whole.
    QObject::connect(field, &QLineEdit::textEdited, this,
                     [this, field](const QString& text) { KeepAnswerText(field, text); });
    QObject::connect(field, &QLineEdit::textChanged, this, [field](const QString& text) {
      if (FilterAnswerText(text.toStdU32String()) == text.toStdU32String())
        field->setProperty("acceptedText", text);
    });
  }
  QObject::connect(Button1, &QPushButton::clicked, this,
                   [this] { Dispatch([this] { Button1Click(); }); });
  QObject::connect(Button2, &QPushButton::clicked, this,
                   [this] { Dispatch([this] { Button2Click(); }); });
  QObject::connect(OKBtn, &QPushButton::clicked, this,
                   [this] { Dispatch([this] { OKBtnClick(); }); });
  QObject::connect(RunButton, &QPushButton::clicked, this,
                   [this] { Dispatch([this] { RunButtonClick(); }); });
}

TOKBottomDlg1::~TOKBottomDlg1() {
  if (OKBottomDlg1 == this) OKBottomDlg1 = nullptr;
}

bool TOKBottomDlg1::Edit1KeyPress(char32_t& key) {
  const std::optional<char32_t> kept = FilterAnswerKey(key);
  if (!kept) {
    CurrentShell().Beep();
    return false;
  }
  key = *kept;
  return true;
}

void TOKBottomDlg1::KeepAnswerText(QLineEdit* field, const QString& edited) {
  const std::optional<std::u32string> filtered = FilterAnswerText(edited.toStdU32String());
  if (!filtered) {
    CurrentShell().Beep();
    field->setText(field->property("acceptedText").toString());
    return;
  }
  const QString text = QString::fromStdU32String(*filtered);
  if (text == edited) return;
  const int cursor = field->cursorPosition();
  field->setText(text);
  field->setCursorPosition(cursor);
}

void TOKBottomDlg1::Check(QLineEdit* answer, QLabel* verdict, Question question) {
  const std::string text = answer->text().toStdString();
  const RunFigures figures = Figures ? Figures() : RunFigures{};
  const Verdict judged = JudgeAnswer(text, figures, question);
  if (judged == Verdict::NotJudged) return;
  if (judged == Verdict::TooShortToTime) {
    // Told as a wrong number is: a message box over the task, which stays open.
    if (ApplicationPort* app = Application()) app->ShowException(lesson::Tr(TooShortToTimeMessage));
    return;
  }
  const bool right = judged == Verdict::Right;
  verdict->setVisible(true);
  // Each verdict starts from a clear image: drawn over the previous face, the
  // transparent outside of the new one would let the old outline show.
  QPixmap face(verdict->size());
  face.fill(Qt::transparent);
  {
    QPainter painter(&face);
    painter.drawPixmap(0, 0, (right ? Image10 : Image11)->pixmap());
  }
  verdict->setPixmap(face);
  // The face in words for a screen reader, which is told it changed.
  verdict->setAccessibleName(right ? QStringLiteral("dobrze") : QStringLiteral("źle"));
}

void TOKBottomDlg1::Button1Click() {
  Check(Edit1, Image9, Question::AverageSpeed);
}

void TOKBottomDlg1::Button2Click() {
  Check(Edit2, Image1, Question::AverageVelocity);
}

void TOKBottomDlg1::OKBtnClick() {
  FormClose();
  accept();
}

void TOKBottomDlg1::FormClose() {
  Image1->setVisible(false);
  Image9->setVisible(false);
  Edit1->setText(QString());
  Edit2->setText(QString());
}

bool TOKBottomDlg1::BothAnswersChecked() const {
  return !Image9->isHidden() && !Image1->isHidden();
}

void TOKBottomDlg1::RunButtonClick() {
  const RunRecording none;
  const RunRecording* recording = Recording ? Recording() : nullptr;
  TRunWindow window(recording ? *recording : none, Figures ? Figures() : RunFigures{},
                    BothAnswersChecked(), this);
  RunModal(window);
}

void TOKBottomDlg1::done(int result) {
  Dispatch([this] { FormClose(); });
  QDialog::done(result);
}

void ShowTaskDialogModal() {
  if (!OKBottomDlg1) return;
  CentreOnScreen(OKBottomDlg1);
  RunModal(*OKBottomDlg1);
}
