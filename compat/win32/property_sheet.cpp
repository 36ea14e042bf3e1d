// Property sheet pages and their dialogs: the page description is kept as the caller gave it, and
// a page's dialog is built from its template with every control as the template places it.
#include <dlfcn.h>

#include <cstring>

#include "compat/win32/dialog_model.h"

namespace {

UINT CallPageCallback(HPROPSHEETPAGE page, UINT message) {
  PROPSHEETPAGEA& description = page->description;
  if (!(description.dwFlags & PSP_USECALLBACK) || !description.pfnCallback) return 1;
  return description.pfnCallback(nullptr, message, &description);
}

std::unique_ptr<HWND__> MakeControl(const win32compat::DialogItemTemplate& item, HWND parent) {
  auto control = std::make_unique<HWND__>();
  control->class_name = item.class_name;
  control->text = item.text ? item.text : "";
  control->bitmap = item.text ? 0 : item.bitmap;
  control->id = item.id;
  control->x = item.x;
  control->y = item.y;
  control->cx = item.cx;
  control->cy = item.cy;
  control->style = item.style;
  control->ex_style = item.ex_style;
  control->visible = (item.style & WS_VISIBLE) != 0;
  control->parent = parent;
  return control;
}

}  // namespace

namespace win32compat {

const DialogTemplate* FindDialogTemplate(HINSTANCE module, LPCSTR name) {
  if (!IS_INTRESOURCE(name)) return nullptr;
  void* handle = module ? static_cast<void*>(module) : RTLD_DEFAULT;
  const auto* table = static_cast<const ResourceTable*>(dlsym(handle, "win32compat_resources"));
  if (!table) return nullptr;
  const int id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
  for (size_t i = 0; i < table->dialog_count; ++i) {
    if (table->dialogs[i].resource_id == id) return &table->dialogs[i];
  }
  return nullptr;
}

HWND CreatePageDialog(HPROPSHEETPAGE page) {
  if (!page) return nullptr;
  const PROPSHEETPAGEA& description = page->description;
  const DialogTemplate* tmpl = FindDialogTemplate(description.hInstance, description.pszTemplate);
  if (!tmpl || CallPageCallback(page, PSPCB_CREATE) == 0) return nullptr;
  auto* dialog = new HWND__();
  dialog->class_name = "#32770";
  dialog->text = tmpl->caption;
  dialog->x = tmpl->x;
  dialog->y = tmpl->y;
  dialog->cx = tmpl->cx;
  dialog->cy = tmpl->cy;
  dialog->style = tmpl->style;
  dialog->ex_style = tmpl->ex_style;
  dialog->visible = true;
  dialog->font_face = tmpl->font_face;
  dialog->font_points = tmpl->font_points;
  dialog->dialog_proc = description.pfnDlgProc;
  dialog->page = &description;
  for (size_t i = 0; i < tmpl->item_count; ++i) {
    dialog->children.push_back(MakeControl(tmpl->items[i], dialog));
  }
  return dialog;
}

INT_PTR InitPageDialog(HWND dialog) {
  if (!dialog || !dialog->dialog_proc) return FALSE;
  HWND focus = dialog->children.empty() ? nullptr : dialog->children.front().get();
  return dialog->dialog_proc(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus),
                             reinterpret_cast<LPARAM>(dialog->page));
}

void DestroyPageDialog(HWND dialog) {
  delete dialog;
}

}  // namespace win32compat

HPROPSHEETPAGE WINAPI CreatePropertySheetPageA(LPCPROPSHEETPAGEA description) {
  if (!description || description->dwSize == 0 || description->dwSize > sizeof(PROPSHEETPAGEA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* page = new _PSP();
  std::memcpy(&page->description, description, description->dwSize);
  CallPageCallback(page, PSPCB_ADDREF);
  return page;
}

BOOL WINAPI DestroyPropertySheetPage(HPROPSHEETPAGE page) {
  if (!page) return FALSE;
  CallPageCallback(page, PSPCB_RELEASE);
  delete page;
  return TRUE;
}
