// The portable input event the view manager hands to the GUI: pointer positions, buttons,
// clicks, wheel, keys and modifiers. The native layers fill it; nothing in it knows the OS.
#pragma once

#include "korvane/core/geometry.h"
#include "korvane/core/modifier_keys.h"

#include <array>
#include <cstdint>

namespace kvKorvaneV10_0_3::PluginViewManager {

enum KEClickCount : std::uint8_t {
    eNoClick = 0,
    eSingleClick = 1,
    eDoubleClick = 2,
    eTripleClick = 3
};

enum KEMouseButton : std::uint8_t { eLeftButton = 0, eMiddleButton, eRightButton, eButtonCount };

// Keys the GUI acts on by themselves; printable keys arrive as eKeyCharacter with the character.
enum KEKeyCode : std::uint8_t {
    eKeyNone = 0,
    eKeyCharacter,
    eKeyEnter,
    eKeyEscape,
    eKeyTab,
    eKeyBackspace,
    eKeyDelete,
    eKeyLeft,
    eKeyRight,
    eKeyUp,
    eKeyDown,
    eKeyHome,
    eKeyEnd,
    eKeyPageUp,
    eKeyPageDown,
};

struct KSMenu;

// Plain value: [gui-thread] (built by the dispatcher, read by the GUI on the same thread).
class KCEventData {
public:
    using Point = KCPoint2D<short>;

    [[nodiscard]] Point GetMouseLocation() const { return m_location; }
    [[nodiscard]] Point GetMouseOldLocation() const { return m_oldLocation; }
    [[nodiscard]] Point GetMouseDownLocation() const { return m_downLocation; }
    // Movement since the previous event.
    [[nodiscard]] Point GetMouseDelta() const {
        return {static_cast<short>(m_location.x - m_oldLocation.x),
                static_cast<short>(m_location.y - m_oldLocation.y)};
    }
    [[nodiscard]] Point GetMouseDistanceFromDragStart() const {
        return {static_cast<short>(m_location.x - m_downLocation.x),
                static_cast<short>(m_location.y - m_downLocation.y)};
    }
    [[nodiscard]] KEClickCount GetMouseClickCount() const { return m_clickCount; }
    [[nodiscard]] int GetMouseWheelDelta() const { return m_wheelDelta; }
    [[nodiscard]] bool GetMouseButtonPressed(KEMouseButton button) const {
        return button < eButtonCount && m_buttons[button];
    }
    [[nodiscard]] KEKeyCode GetKeyCode() const { return m_keyCode; }
    [[nodiscard]] char32_t GetKeyChar() const { return m_keyChar; }
    [[nodiscard]] bool GetKeyModifiers(KEModifier modifier) const {
        return modifier < eModCount && m_modifiers[modifier];
    }
    void GetAllKeyModifiers(bool* modifiers) const {
        for (int i = 0; i < eModCount; ++i) {
            modifiers[i] = m_modifiers[static_cast<std::size_t>(i)];
        }
    }
    [[nodiscard]] const std::array<bool, eModCount>& KeyModifiers() const { return m_modifiers; }
    // True when the event's four modifiers equal `modifiers` (in KEModifier order).
    [[nodiscard]] bool CompareKeyModifiers(const bool* modifiers) const {
        for (int i = 0; i < eModCount; ++i) {
            if (modifiers[i] != m_modifiers[static_cast<std::size_t>(i)]) {
                return false;
            }
        }
        return true;
    }
    [[nodiscard]] KSMenu* GetMenu_Ref() const { return m_menu; }

    // Moves the pointer: the current location becomes the old one.
    void SetMouseLocation(Point location) {
        m_oldLocation = m_location;
        m_location = location;
    }
    void SetMouseDownLocation(Point location) { m_downLocation = location; }
    void SetMouseClickCount(KEClickCount count) { m_clickCount = count; }
    void SetMouseWheelDelta(int delta) { m_wheelDelta = delta; }
    void SetMouseButtonPressed(KEMouseButton button, bool pressed) {
        if (button < eButtonCount) {
            m_buttons[button] = pressed;
        }
    }
    void ClearMouseButtons() { m_buttons = {}; }
    void SetKey(KEKeyCode code, char32_t character) {
        m_keyCode = code;
        m_keyChar = character;
    }
    void SetAllKeyModifiers(const bool* modifiers) {
        for (int i = 0; i < eModCount; ++i) {
            m_modifiers[static_cast<std::size_t>(i)] = modifiers[i];
        }
    }
    void SetKeyModifier(KEModifier modifier, bool on) {
        if (modifier < eModCount) {
            m_modifiers[modifier] = on;
        }
    }
    void SetMenu_Ref(KSMenu* menu) { m_menu = menu; }

private:
    Point m_location;
    Point m_oldLocation;
    Point m_downLocation;
    std::array<bool, eButtonCount> m_buttons{};
    KEClickCount m_clickCount = eNoClick;
    int m_wheelDelta = 0;
    KEKeyCode m_keyCode = eKeyNone;
    char32_t m_keyChar = 0;
    std::array<bool, eModCount> m_modifiers{};
    KSMenu* m_menu = nullptr;
};

}  // namespace kvKorvaneV10_0_3::PluginViewManager
