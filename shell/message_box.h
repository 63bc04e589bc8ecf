// Every message the demo shows goes through showMessageBox: modal, no owner
// window. Tests install a handler that records the boxes and answers questions,
// so that no test ever blocks on a real box.
#pragma once

enum class MessageIcon { Exclamation, Stop, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

using MessageBoxHandler = MessageAnswer (*)(const char* caption, const char* text,
                                            MessageIcon icon, MessageButtons buttons);

MessageAnswer showMessageBox(const char* caption, const char* text,
                             MessageIcon icon, MessageButtons buttons);

// Replaces the SDL message box; nullptr puts the SDL box back.
void setMessageBoxHandler(MessageBoxHandler handler);

// The start-up failure box: caption "ERROR", OK, exclamation icon.
void showStartupError(const char* text);
