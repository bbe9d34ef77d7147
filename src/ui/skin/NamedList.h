#pragma once

class QComboBox;
class QString;

// Gives a drop-down list a name of its own for screen readers. Left alone, a list
// is read by the entry it shows ("Left to Right"), which says nothing of what it
// chooses; named, it is read as that name with the entry as its value. Call it
// before the list gets its entries: filling a list may make its accessible face.
void NameList(QComboBox* list, const QString& name);
