#include "module/icons_win.h"

#include "module/module_state.h"
#include "resources/resource.h"

static_assert(IDI_TARGET_COUNT == kTargetIconCount);

HICON loadTargetIcon(int32_t index) {
    HINSTANCE instance = static_cast<HINSTANCE>(moduleState.moduleInstance);
    return static_cast<HICON>(LoadImageW(instance,
                                         MAKEINTRESOURCEW(IDI_TARGET_FIRST + shownIconIndex(index)),
                                         IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
}

HIMAGELIST makeTargetImageList() {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, IDI_TARGET_COUNT, 0);
    if (list == nullptr)
        return nullptr;
    for (int32_t i = 0; i < IDI_TARGET_COUNT; ++i) {
        HICON icon = loadTargetIcon(i);
        ImageList_AddIcon(list, icon);  // the list keeps its own copy
        DestroyIcon(icon);
    }
    return list;
}

void giveTargetImages(HWND listView, int which) {
    HIMAGELIST images = makeTargetImageList();
    auto replaced = reinterpret_cast<HIMAGELIST>(
        SendMessageW(listView, LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(images)));
    if (replaced != nullptr && replaced != images)
        ImageList_Destroy(replaced);
}

void fillIconPicker(HWND listView, int spacing) {
    giveTargetImages(listView, LVSIL_NORMAL);
    SendMessageW(listView, LVM_SETICONSPACING, 0, MAKELPARAM(spacing, spacing));
    for (int32_t i = 0; i < IDI_TARGET_COUNT; ++i) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        item.iImage = i;
        SendMessageW(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void showIconPreview(HWND dialog, int id, int32_t index) {
    HICON icon = loadTargetIcon(index);
    auto shown = reinterpret_cast<HICON>(
        SendDlgItemMessageW(dialog, id, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)));
    if (shown != nullptr && shown != icon)
        DestroyIcon(shown);
}

void dropIconPreview(HWND dialog, int id) {
    auto shown =
        reinterpret_cast<HICON>(SendDlgItemMessageW(dialog, id, STM_SETIMAGE, IMAGE_ICON, 0));
    if (shown != nullptr)
        DestroyIcon(shown);
}
