// The handlers of the main window's events, named after the control and the
// event, and the dispatch of WM_COMMAND to them.
#include "app/form1.h"

#include "app/about_text.h"
#include "app/recorded_digests.h"
#include "app/resource.h"
#include "app/restore_dialog.h"
#include "fleet/run_end.h"
#include "log/publisher.h"
#include "scan/passes.h"
#include "startup/startup_checks.h"

namespace dizi {

namespace {

void CheckItem(HMENU menu, UINT id, bool checked) {
  ::CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

}  // namespace

void TForm1::OnCommand(int id, int notification) {
  switch (id) {
    case IDM_PREFORMAFULLSCAN1:
      Preformafullscan1Click();
      break;
    case IDM_JUSTFIXUPMYREGEDITMSCONFIG1:
      JustfixupmyRegEditMsconfig1Click();
      break;
    case IDM_EXIT1:
      Exit1Click();
      break;
    case IDM_REEVIEW1:
      reeView1Click();
      break;
    case IDM_LISTVIEW1:
      ListView1Click();
      break;
    case IDM_BUGSPROBLEMSSUGGESTIONS1:
      BugsProblemsSuggestions1Click();
      break;
    case IDM_ABOUTSPECIALTHANKS1:
      AboutSpecialThanks1Click();
      break;
    case IDM_CONTACT1:
      Contact1Click();
      break;
    case IDM_RESTOREFROMQUARANTINE1:
      RestoreFromQuarantine1Click();
      break;
    case IDC_BITBTN2:
      if (notification == BN_CLICKED) {
        BitBtn2Click();
      }
      break;
    case IDC_BITBTN1:
      if (notification == BN_CLICKED) {
        BitBtn1Click();
      }
      break;
    case IDC_IMAGE1:
      if (notification == STN_CLICKED) {
        Image1Click();
      }
      break;
  }
}

void TForm1::FormCreate() {
  RunStartupChecks(platform_, paths_, ShippedDigests(), context_.Companions);
}

void TForm1::NoteForTheLog(const std::vector<std::string>& lines) {
  std::vector<std::string>& notes = context_.Companions.notes;
  notes.insert(notes.end(), lines.begin(), lines.end());
}

void TForm1::FormClose() {
  platform_.ShellOpen(DIZI_HOME_PAGE);
}

void TForm1::Preformafullscan1Click() {
  // Exactly what a press of the Scan button does.
  BitBtn2Click();
}

void TForm1::JustfixupmyRegEditMsconfig1Click() {
  RunFixUp(context_);
}

void TForm1::Exit1Click() {
  platform_.RequestTermination();
}

void TForm1::reeView1Click() {
  ::ShowWindow(TreeView1, SW_SHOW);
  ::ShowWindow(ListBox1, SW_HIDE);
  CheckItem(MainMenu1, IDM_REEVIEW1, true);
  CheckItem(MainMenu1, IDM_LISTVIEW1, false);
  KeepFocusReachable();
}

void TForm1::ListView1Click() {
  ::ShowWindow(TreeView1, SW_HIDE);
  ::ShowWindow(ListBox1, SW_SHOW);
  CheckItem(MainMenu1, IDM_REEVIEW1, false);
  CheckItem(MainMenu1, IDM_LISTVIEW1, true);
  KeepFocusReachable();
}

void TForm1::BugsProblemsSuggestions1Click() {
  platform_.ShellOpen(DIZI_SUPPORT_PAGE);
}

void TForm1::AboutSpecialThanks1Click() {
  ::ShowWindow(Panel1.Window(), SW_SHOW);
  Panel1.SetLabel1Text(AboutText());
  PanelVisibilityChanged();
}

void TForm1::Contact1Click() {
  platform_.ShellOpen(DIZI_CONTACT_PAGE);
}

void TForm1::RestoreFromQuarantine1Click() {
  RestoreDialog dialog(platform_, paths_, scale_, font_.Get(), listFont_.Get(), instance_);
  dialog.ShowModal(Window());
}

void TForm1::Image1Click() {
  platform_.ShellOpen(DIZI_ADVERTISING_PAGE);
}

void TForm1::BitBtn1Click() {
  ::ShowWindow(Panel1.Window(), SW_HIDE);
  PanelVisibilityChanged();
}

void TForm1::BitBtn2Click() {
  // Every scan is a run of its own: its report and log kept in the data
  // tree, the marker, the event, and its restart as its very last act.
  RunWindowScan(context_, *this);
}

}  // namespace dizi
