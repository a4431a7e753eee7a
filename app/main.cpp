#include <QApplication>
#include <cstdint>

#include "app/about_box.h"
#include "app/startowe_form.h"
#include "app/task_dialog.h"
#include "app/widget_support.h"
#include "engine/angle_tables.h"
#include "platform/form.h"
#include "platform/qt_application.h"

namespace {

// A blank window standing in for the simulation until TVelnarForm1 is wired
// in here: Space opens the task, Esc closes the window. To be replaced by a
// factory that creates TVelnarForm1 and stores it in VelnarForm1.
TForm* CreatePlaceholderSimulation(TComponent* owner) {
  auto* form = new TDXForm(owner);
  form->SetCaption("Velnar");
  form->SetBounds(0, 0, 640, 480);
  form->OnKeyDown = [form](TComponent*, std::uint16_t& key, TShiftState) {
    if (key == 27) form->Close();
    if (key == 32) ShowTaskDialogModal();
  };
  form->OnClose = [](TComponent*, TCloseAction& action) { action = TCloseAction::caFree; };
  return form;
}

}  // namespace

int main(int argc, char** argv) {
  // The angle table fills itself before main; asking for it here keeps the
  // order plain: no window exists yet.
  InitCosTable();

  TApplication application(argc, argv);
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

  startWindow.CreateSimulation = CreatePlaceholderSimulation;
  taskDialog.Figures = [] { return RunFigures{}; };
  startWindow.OnTerminate = [&application] { application.Terminate(0); };

  CentreOnScreen(&startWindow);
  startWindow.show();
  return application.Run();
}
