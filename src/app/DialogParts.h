#pragma once

// Pieces that the program's dialogs share.

#include <QStringList>

#include <span>
#include <utility>

class QDialog;
class QLayout;
class QPushButton;
class QRadioButton;
class QSpinBox;

// File-dialog filters are marked for translation where they are written,
// with QT_TRANSLATE_NOOP("FileFilter", ...); this translates them.
QStringList FileFilters(std::span<const char* const> filters);

// The image types a picture can be saved as, in the order of their filters.
QStringList ImageSaveFilters();

// OK ("确定", the default button) and Cancel ("取消"), which accept and
// reject `dialog`.
std::pair<QPushButton*, QPushButton*> MakeOkCancel(QDialog& dialog);

// Lays `dialog` out as its options on the left, OK and Cancel (as
// MakeOkCancel makes them) on the right at the top.
void LayOutOptions(QDialog& dialog, QLayout* options);

// A radio button named `name`.
QRadioButton* MakeRadio(const QString& caption, const char* name);

// A field for a whole number from low to high.
QSpinBox* MakeNumberField(const char* name, int low, int high, int value);
