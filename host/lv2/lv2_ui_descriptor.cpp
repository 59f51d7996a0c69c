// The LV2 editor entry of a plug-in: an X11 UI whose GUI is a child of the window the host
// gives. Compiled into each plug-in's editor module with KORVANE_PLUGIN_NAME and
// KORVANE_LV2_URI set; the plug-in's own bundle lies beside it, inside the LV2 bundle.
#include "host/lv2/lv2_editor.h"

#include <lv2/ui/ui.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

using KorvaneLv2::Lv2Editor;

LV2UI_Handle Instantiate(const LV2UI_Descriptor* /*descriptor*/, const char* /*pluginUri*/,
                         const char* bundlePath, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) {
    void* parent = nullptr;
    const LV2UI_Resize* resize = nullptr;
    const LV2UI_Touch* touch = nullptr;
    for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f) {
        if (std::strcmp((*f)->URI, LV2_UI__parent) == 0) {
            parent = (*f)->data;
        } else if (std::strcmp((*f)->URI, LV2_UI__resize) == 0) {
            resize = static_cast<const LV2UI_Resize*>((*f)->data);
        } else if (std::strcmp((*f)->URI, LV2_UI__touch) == 0) {
            touch = static_cast<const LV2UI_Touch*>((*f)->data);
        }
    }
    // The editor is embedded only: without the host's window there is nowhere to show it.
    if (parent == nullptr || widget == nullptr) {
        return nullptr;
    }
    auto editor = std::make_unique<Lv2Editor>();
    Lv2Editor::WritePort writePort;
    if (write != nullptr) {
        writePort = [write, controller](std::uint32_t port, float value) {
            write(controller, port, sizeof value, 0, &value);
        };
    }
    Lv2Editor::TouchPort touchPort;
    if (touch != nullptr && touch->touch != nullptr) {
        touchPort = [touch](std::uint32_t port, bool grabbed) {
            touch->touch(touch->handle, port, grabbed);
        };
    }
    // An X11 window id travels as the pointer's value.
    const auto window = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(parent));
    const std::string bundle = std::string(bundlePath) + "/" + KORVANE_PLUGIN_NAME + ".bundle";
    if (!editor->Open(bundle, window, std::move(writePort), std::move(touchPort)).empty()) {
        return nullptr;
    }
    if (resize != nullptr && resize->ui_resize != nullptr) {
        resize->ui_resize(resize->handle, editor->Width(), editor->Height());
        editor->SetResizeHost(
            [resize](int width, int height) { resize->ui_resize(resize->handle, width, height); });
    }
    *widget = reinterpret_cast<LV2UI_Widget>(  // NOLINT(performance-no-int-to-ptr)
        static_cast<std::uintptr_t>(editor->Widget()));
    return editor.release();
}

void Cleanup(LV2UI_Handle handle) {
    delete static_cast<Lv2Editor*>(handle);
}

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
    // Control ports only: format 0 carries one float.
    if (format != 0 || size != sizeof(float) || buffer == nullptr) {
        return;
    }
    float value = 0.0F;
    std::memcpy(&value, buffer, sizeof value);
    static_cast<Lv2Editor*>(handle)->PortEvent(port, value);
}

int Idle(LV2UI_Handle handle) {
    static_cast<Lv2Editor*>(handle)->Idle();
    return 0;
}

// The host resizes the editor: the handle it passes is the editor's own.
int Resize(LV2UI_Feature_Handle handle, int width, int height) {
    return static_cast<Lv2Editor*>(handle)->Resize(width, height) ? 0 : 1;
}

const void* ExtensionData(const char* uri) {
    static const LV2UI_Idle_Interface idle{Idle};
    static const LV2UI_Resize resize{nullptr, Resize};
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0) {
        return &idle;
    }
    return std::strcmp(uri, LV2_UI__resize) == 0 ? &resize : nullptr;
}

const LV2UI_Descriptor kDescriptor{KORVANE_LV2_URI "#ui", Instantiate, Cleanup, PortEvent,
                                   ExtensionData};

}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(
    uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
