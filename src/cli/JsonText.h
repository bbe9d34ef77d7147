#pragma once

#include <QString>

// JSON texts written piece by piece, so that a result of a million rows never
// has to be held as one document.
namespace JsonText {

// The text as a JSON string literal, quotes included.
QString Quote(const QString& text);

} // namespace JsonText
