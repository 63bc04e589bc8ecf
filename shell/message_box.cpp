// Modal message boxes with no owner window, over SDL's message box. A test can
// swap in its own handler so that no box ever waits for a person. A box that
// cannot be shown (no display, no zenity on Wayland) leaves its text on stderr.
#include "shell/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <string>

static MessageBoxHandler installedHandler = nullptr;  // null: show real SDL boxes

static Uint32 sdlFlagsFor(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Stop: return SDL_MESSAGEBOX_ERROR;
    case MessageIcon::Exclamation: return SDL_MESSAGEBOX_WARNING;
    case MessageIcon::Information: return SDL_MESSAGEBOX_INFORMATION;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}

// One line, "kv2007demo: CAPTION: TEXT", the text's line breaks as spaces, so
// that a log keeps one box to a line.
static void writeUnshownBox(const char* caption, const char* text) {
    std::string line = std::string("kv2007demo: ") + caption + ": " + text;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "%s\n", line.c_str());
}

static MessageAnswer showSdlMessageBox(const char* caption, const char* text, MessageIcon icon,
                                       MessageButtons buttons) {
    static const SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
         int(MessageAnswer::Ok), "OK"},
    };
    // Escape and closing the box answer No, as on Windows.
    static const SDL_MessageBoxButtonData yesNoButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, int(MessageAnswer::No), "No"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, int(MessageAnswer::Yes), "Yes"},
    };
    const bool yesNo = buttons == MessageButtons::YesNo;
    SDL_MessageBoxData box = {};
    box.flags = sdlFlagsFor(icon);
    box.window = nullptr;
    box.title = caption;
    box.message = text;
    box.numbuttons = yesNo ? 2 : 1;
    box.buttons = yesNo ? yesNoButtons : okButton;
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) {
        writeUnshownBox(caption, text);
        return yesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    if (pressed < 0) return yesNo ? MessageAnswer::No : MessageAnswer::Ok;
    return MessageAnswer(pressed);
}

MessageAnswer showMessageBox(const char* caption, const char* text, MessageIcon icon,
                             MessageButtons buttons) {
    if (installedHandler) return installedHandler(caption, text, icon, buttons);
    return showSdlMessageBox(caption, text, icon, buttons);
}

void setMessageBoxHandler(MessageBoxHandler handler) { installedHandler = handler; }

void showStartupError(const char* text) {
    showMessageBox("ERROR", text, MessageIcon::Exclamation, MessageButtons::Ok);
}
