// Error message boxes, which tests and unattended runs can send elsewhere.
#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace netrov::ui {

// Shows an error message box. With the environment variable
// NETROV_MESSAGES_TO_STDERR set to 1 the title and text go to standard error
// instead; a handler set with setErrorMessageHandler takes precedence.
void showErrorMessage(QWidget* parent, const QString& title, const QString& text);

using ErrorMessageHandler = std::function<void(const QString& title, const QString& text)>;
// Replaces the message boxes (an empty handler restores them).
void setErrorMessageHandler(ErrorMessageHandler handler);

}  // namespace netrov::ui
