#pragma once

#include <QStringView>

// The order in which file managers list names: letters without regard to case,
// and runs of digits by their number, so that "f9" comes before "f10". Names
// that differ only in case or in leading zeros still get a fixed order.
namespace NameOrder {
bool Before(QStringView a, QStringView b);
} // namespace NameOrder
