// QlConfig: the configuration wizard. The whole run is CQlConfigApp::InitInstance; this file
// only supplies the sheet and binds each page's controls to its presenter.
// clang-format off
#include "win32/win32_windows.h"
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "config/app/file_run_log.h"
#include "config/app/resource.h"
#include "config/command_line.h"
#include "config/texts.h"
#include "config/unattended.h"
#include "config/wizard_app.h"
#include "win32/win32_machine.h"

namespace {

using ql::config::COptDlg;
using ql::config::CPage1;

// Posted to a page by its own caption request: by the time it arrives the sheet has finished
// activating the page.
constexpr UINT kApplyCaption = WM_APP + 1;

// The sheet as the pages' presenters see it. `caption` outlives the sheet's activations.
class SheetWindow final : public ql::config::WizardSheet {
 public:
  SheetWindow(HWND page, std::string& caption)
      : page_(page), sheet_(GetParent(page)), caption_(caption) {}
  void SetWizardButtons(std::uint32_t flags) override {
    PostMessageA(sheet_, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(flags));
  }
  // Some sheets give a wizard the activated page's title once the page has answered
  // PSN_SETACTIVE, which replaces a caption set during the activation (a page without a
  // title leaves an empty one). The caption is set at once and again from a posted message,
  // which the page receives only after the activation has completed.
  void SetCaption(std::string_view text) override {
    caption_ = text;
    SetWindowTextA(sheet_, caption_.c_str());
    PostMessageA(page_, kApplyCaption, 0, 0);
  }

 private:
  HWND page_;
  HWND sheet_;
  std::string& caption_;
};

// What both page procedures reach through their PROPSHEETPAGE's lParam.
struct Wizard {
  CPage1* welcome = nullptr;
  COptDlg* options = nullptr;
  std::string helpPath;
  // The caption a page asked for, applied again once its activation has completed.
  std::string caption;
  bool finished = false;
};

Wizard* WizardOf(HWND page) {
  return reinterpret_cast<Wizard*>(GetWindowLongPtrA(page, GWLP_USERDATA));
}

void Remember(HWND page, LPARAM pageDescription) {
  const auto* description = reinterpret_cast<const PROPSHEETPAGEA*>(pageDescription);
  SetWindowLongPtrA(page, GWLP_USERDATA, description->lParam);
}

void SetResult(HWND page, LONG_PTR result) { SetWindowLongPtrA(page, DWLP_MSGRESULT, result); }

void ShowHelp(HWND page, const Wizard& wizard) {
  WinHelpA(GetParent(page), wizard.helpPath.c_str(), HELP_FINDER, 0);
}

INT_PTR CALLBACK WelcomeProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
  try {
    if (message == WM_INITDIALOG) {
      Remember(page, lparam);
      return TRUE;
    }
    Wizard* wizard = WizardOf(page);
    if (wizard == nullptr) return FALSE;
    if (message == kApplyCaption) {
      // Only while this page is still the one shown: a later page keeps the sheet's caption.
      if ((GetWindowLongA(page, GWL_STYLE) & WS_VISIBLE) != 0) {
        SetWindowTextA(GetParent(page), wizard->caption.c_str());
      }
      return TRUE;
    }
    if (message != WM_NOTIFY) return FALSE;
    const auto* header = reinterpret_cast<const NMHDR*>(lparam);
    switch (header->code) {
      case PSN_SETACTIVE: {
        SheetWindow sheet(page, wizard->caption);
        wizard->welcome->OnSetActive(sheet);
        SetResult(page, 0);
        return TRUE;
      }
      case PSN_HELP:
        ShowHelp(page, *wizard);
        return TRUE;
      default:
        return FALSE;
    }
  } catch (...) {
    return FALSE;
  }
}

// Copies what the options presenter shows to the controls.
void ShowOptions(HWND page, const COptDlg& options) {
  SetDlgItemTextA(page, IDC_SUMMARY, options.Summary().c_str());
  CheckRadioButton(page, IDC_LAZY_ON, IDC_LAZY_OFF,
                   options.LazyChoice() == 1 ? IDC_LAZY_ON : IDC_LAZY_OFF);
  EnableWindow(GetDlgItem(page, IDC_LAZY_OFF), options.LazyButtonsEnabled());
  EnableWindow(GetDlgItem(page, IDC_LAZY_ON), options.LazyButtonsEnabled());
}

void FillDriveList(HWND page, const COptDlg& options) {
  const HWND list = GetDlgItem(page, IDC_DRIVE_LIST);
  SendMessageA(list, LVM_SETITEMCOUNT, ql::config::kDriveListHint, 0);
  // The list view owns its image list and destroys it with itself.
  const HIMAGELIST images = ImageList_LoadImageA(
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(page, GWLP_HINSTANCE)),
      MAKEINTRESOURCEA(IDB_DRIVE_IMAGES), 16, 8, RGB(128, 0, 0), IMAGE_BITMAP, 0);
  if (images != nullptr) {
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
  }
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = 172;
  std::string header = ql::config::kListColumnHeader;
  column.pszText = header.data();
  column.iSubItem = 0;
  SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));

  int index = 0;
  for (const COptDlg::Entry& entry : options.Entries()) {
    std::string text = entry.text;
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index++;
    item.pszText = text.data();
    item.iImage = entry.image;
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
}

// The entry that holds the focus, -1 for none.
int FocusedEntry(HWND list) {
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_FOCUSED) & LVIS_FOCUSED) {
      return i;
    }
  }
  return -1;
}

INT_PTR CALLBACK OptionsProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  try {
    if (message == WM_INITDIALOG) {
      Remember(page, lparam);
      Wizard* wizard = WizardOf(page);
      wizard->options->OnInitDialog();
      ShowOptions(page, *wizard->options);
      FillDriveList(page, *wizard->options);
      return TRUE;
    }
    Wizard* wizard = WizardOf(page);
    if (wizard == nullptr) return FALSE;
    COptDlg& options = *wizard->options;
    SheetWindow sheet(page, wizard->caption);

    if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) {
      const int id = LOWORD(wparam);
      if (id != IDC_LAZY_OFF && id != IDC_LAZY_ON) return FALSE;
      options.OnLazyButton(sheet, id == IDC_LAZY_ON ? 1 : 0);
      ShowOptions(page, options);
      return TRUE;
    }
    if (message != WM_NOTIFY) return FALSE;
    const auto* header = reinterpret_cast<const NMHDR*>(lparam);
    if (header->idFrom == IDC_DRIVE_LIST) {
      if (header->code != NM_CLICK) return FALSE;
      options.OnListClick(sheet, FocusedEntry(header->hwndFrom));
      ShowOptions(page, options);
      SetResult(page, 0);
      return TRUE;
    }
    switch (header->code) {
      case PSN_SETACTIVE:
        options.OnSetActive(sheet);
        SetResult(page, 0);
        return TRUE;
      case PSN_WIZFINISH:
        options.OnWizardFinish();
        wizard->finished = true;
        SetResult(page, FALSE);  // let the wizard finish
        return TRUE;
      case PSN_RESET:
        options.OnCancel();
        return TRUE;
      case PSN_HELP:
        ShowHelp(page, *wizard);
        return TRUE;
      default:
        return FALSE;
    }
  } catch (...) {
    return FALSE;
  }
}

// The group-order warnings go to the standard error stream, as written.
class StandardError final : public ql::config::ErrorStream {
 public:
  void Write(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
  }
};

class Win32WizardHost final : public ql::config::WizardHost {
 public:
  Win32WizardHost(HINSTANCE instance, std::string helpPath)
      : instance_(instance), helpPath_(std::move(helpPath)) {}

  void EnableThreeDimensionalControls() override {
    // The templates ask for the three-dimensional look (DS_3DLOOK); the common controls
    // have to be registered before a sheet or a list view is made.
    InitCommonControls();
  }

  int RunWizard(CPage1& welcome, COptDlg& options) override {
    Wizard wizard;
    wizard.welcome = &welcome;
    wizard.options = &options;
    wizard.helpPath = helpPath_;

    PROPSHEETPAGEA pages[2]{};
    const int templates[2] = {IDD_WELCOME, IDD_OPTIONS};
    const DLGPROC procedures[2] = {WelcomeProc, OptionsProc};
    for (int i = 0; i < 2; ++i) {
      pages[i].dwSize = sizeof pages[i];
      pages[i].dwFlags = PSP_DEFAULT | PSP_HASHELP;
      pages[i].hInstance = instance_;
      pages[i].pszTemplate = MAKEINTRESOURCEA(templates[i]);
      pages[i].pfnDlgProc = procedures[i];
      pages[i].lParam = reinterpret_cast<LPARAM>(&wizard);
    }
    PROPSHEETHEADERA sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_HASHELP | PSH_WIZARD;
    sheet.hwndParent = nullptr;
    sheet.hInstance = instance_;
    sheet.pszCaption = "";
    sheet.nPages = 2;
    sheet.nStartPage = 0;
    sheet.ppsp = pages;
    const INT_PTR result = PropertySheetA(&sheet);
    // The sheet answers Finish with a positive number, Cancel with 0 and a failure with -1; the
    // page saw Finish itself, which is what counts.
    return (result != -1 && wizard.finished) ? ql::config::kIdWizFinish : IDCANCEL;
  }

 private:
  HINSTANCE instance_;
  std::string helpPath_;
};

std::string ModulePath() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : MAX_PATH);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  ql::win32::Win32Machine machine;
  const ql::Platform platform = machine.platform();
  const std::string modulePath = ModulePath();
  const std::string programName = ql::config::ProgramNameFromPath(modulePath);
  const std::string_view arguments = commandLine != nullptr ? commandLine : "";
  const ql::config::CommandLineRequest request = ql::config::ParseCommandLine(arguments);
  if (request.action != ql::config::CommandLineRequest::Action::kWizard) {
    try {
      ql::config::FileRunLog log;
      return ql::config::RunUnattended(platform, request, arguments, log, programName);
    } catch (const std::exception&) {
      // Out of memory while collecting the run's messages: what was done cannot be told.
      return ql::config::exitcode::kRegistryFailed;
    }
  }
  Win32WizardHost host(instance, ql::config::HelpFilePath(modulePath));
  StandardError errors;
  ql::config::CQlConfigApp app(platform, host, errors, programName);
  app.InitInstance();
  return 0;
}
