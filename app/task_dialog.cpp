#include "app/task_dialog.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <algorithm>

#include "app/catalogue_translator.h"
#include "app/logo_image.h"
#include "app/read_aloud.h"
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
  ReadButton = ui_->ReadButton;
  FiguresSpoken = new Announcer(this);
  FiguresSpoken->setObjectName(QStringLiteral("FiguresSpoken"));

  setFont(DialogFont());
  designedSize_ = size();
  for (QWidget* widget : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    designed_.emplace_back(widget, widget->geometry());
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
  QObject::connect(ReadButton, &QPushButton::clicked, this,
                   [this] { Dispatch([this] { ReadButtonClick(); }); });
  Retranslate();
}

void TOKBottomDlg1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    ui_->retranslateUi(this);
    Retranslate();
  }
  QDialog::changeEvent(event);
}

void TOKBottomDlg1::Retranslate() {
  for (QLabel* verdict : {Image9, Image1}) {
    const QVariant right = verdict->property("right");
    if (right.isValid())
      verdict->setAccessibleName(right.toBool() ? Qs(lesson::Tr("verdict", "dobrze"))
                                                : Qs(lesson::Tr("verdict", "źle")));
  }
  FitTexts();
}

// The form lays the task out for its Polish words. Longer words push what
// stands to their right further right and widen the dialog by as much, so
// that nothing is cut off; the Polish dialog stays as designed.
void TOKBottomDlg1::FitTexts() {
  for (const auto& [widget, rect] : designed_) widget->setGeometry(rect);
  const auto advance = [](const QWidget* widget, const QString& text) {
    return widget->fontMetrics().horizontalAdvance(QString(text).remove('&'));
  };
  // The room a caption longer than laid out keeps before its field, and the
  // least room before a control on the right.
  constexpr int kCaptionGap = 6;
  constexpr int kGap = 2;
  constexpr int kButtonPadding = 10;
  struct Row {
    QLabel* Name;
    QLineEdit* Field;
    QLabel* Unit;
    QPushButton* Check;
    QLabel* Face;
  };
  const Row rows[] = {{Label1, Edit1, Label3, Button1, Image9},
                      {Label2, Edit2, Label4, Button2, Image1}};
  // One shift for both rows, so the fields and buttons stay in line.
  int fieldShift = 0;
  int checkShift = 0;
  int checkGrow = 0;
  for (const Row& row : rows) {
    const int caption = advance(row.Name, row.Name->text());
    if (caption > row.Name->width())
      fieldShift = std::max(fieldShift, caption + kCaptionGap - (row.Field->x() - row.Name->x()));
    checkShift = std::max(
        checkShift, advance(row.Unit, row.Unit->text()) + kGap - (row.Check->x() - row.Unit->x()));
    checkGrow = std::max(
        checkGrow, advance(row.Check, row.Check->text()) + kButtonPadding - row.Check->width());
  }
  checkShift += fieldShift;
  for (const Row& row : rows) {
    row.Name->resize(std::max(row.Name->width(), advance(row.Name, row.Name->text())),
                     row.Name->height());
    row.Field->move(row.Field->x() + fieldShift, row.Field->y());
    row.Unit->move(row.Unit->x() + fieldShift, row.Unit->y());
    row.Unit->resize(std::max(row.Unit->width(), advance(row.Unit, row.Unit->text())),
                     row.Unit->height());
    row.Check->setGeometry(row.Check->x() + checkShift, row.Check->y(),
                           row.Check->width() + checkGrow, row.Check->height());
    row.Face->move(row.Face->x() + checkShift + checkGrow, row.Face->y());
  }
  int grow = checkShift + checkGrow;

  // The task's lines are never wrapped: the text box is as wide as its
  // longest line needs.
  int longest = 0;
  for (const QString& line : Memo1->toPlainText().split('\n'))
    longest = std::max(longest, advance(Memo1, line));
  const int textRoom = Memo1->width() - 2 * Memo1->frameWidth() -
                       2 * static_cast<int>(Memo1->document()->documentMargin());
  grow = std::max(grow, longest + kGap - textRoom);

  // The buttons along the bottom widen for their words; the closing one keeps
  // to the right edge.
  int bottomShift = 0;
  for (QPushButton* button : {RunButton, ReadButton}) {
    const int wider =
        std::max(0, advance(button, button->text()) + kButtonPadding - button->width());
    button->setGeometry(button->x() + bottomShift, button->y(), button->width() + wider,
                        button->height());
    bottomShift += wider;
  }
  grow = std::max({grow, bottomShift, 0});

  Bevel1->resize(Bevel1->width() + grow, Bevel1->height());
  Memo1->resize(Memo1->width() + grow, Memo1->height());
  OKBtn->move(OKBtn->x() + grow, OKBtn->y());
  setFixedSize(designedSize_.width() + grow, designedSize_.height());
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
  Verdict judged;
  try {
    judged = JudgeAnswer(text, figures, question);
  } catch (const EZamiana& e) {
    // Told in the pupil's language, through the dispatcher as before.
    throw EZamiana(lesson::Tr(e.what()));
  }
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
  verdict->setProperty("right", right);
  verdict->setAccessibleName(right ? Qs(lesson::Tr("verdict", "dobrze"))
                                   : Qs(lesson::Tr("verdict", "źle")));
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

void TOKBottomDlg1::ReadButtonClick() {
  FiguresSpoken->Announce(FiguresAloud(Figures ? Figures() : RunFigures{}));
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
