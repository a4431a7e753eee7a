#include <QApplication>

#include "app/about_box.h"
#include "app/catalogue_translator.h"
#include "app/read_aloud.h"
#include "app/run_export.h"
#include "app/startowe_form.h"
#include "app/task_dialog.h"
#include "app/widget_support.h"
#include "engine/angle_tables.h"
#include "platform/component.h"
#include "platform/qt_application.h"
#include "sim/velnar_form.h"

namespace {

// The task judges the car of the simulation window running now.
RunFigures CurrentRunFigures() {
  return VelnarForm1 && VelnarForm1->Car ? FiguresOf(VelnarForm1->Car->Model) : RunFigures{};
}

TForm* CreateSimulation(TComponent* owner) {
  VelnarForm1 = new TVelnarForm1(owner);
  AddReadAloudKey(*VelnarForm1, CurrentRunFigures);
  return VelnarForm1;
}

const RunRecording* CurrentRecording() {
  return VelnarForm1 ? &VelnarForm1->Recording : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  // The angle table fills itself before main; asking for it here keeps the
  // order plain: no window exists yet.
  InitCosTable();
  SurviveFileSizeLimit();

  TApplication application(argc, argv);
  // The program's words and Qt's own (dialogs, menus) in the language
  // chosen last, else the system's.
  UseLanguage(StartLanguage());
  application.Title = "Velnar";
  // The simulation windows belong to the application; made before the start
  // window, they go after it.
  TComponent simulations;

  TStartowe1Form1 startWindow(&simulations);
  Startowe1Form1 = &startWindow;
  TOKBottomDlg1 taskDialog;
  OKBottomDlg1 = &taskDialog;
  TAboutBox aboutBox;
  AboutBox = &aboutBox;

  startWindow.CreateSimulation = CreateSimulation;
  startWindow.OnTerminate = [&application] { application.Terminate(0); };
  taskDialog.Figures = CurrentRunFigures;
  taskDialog.Recording = CurrentRecording;
  TVelnarForm1::ShowTaskDialog() = ShowTaskDialogModal;

  CentreOnScreen(&startWindow);
  startWindow.show();
  return application.Run();
}
