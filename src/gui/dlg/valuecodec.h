// One encoder and its decoder for each kind of value that the settings page, the detail dialogs,
// the profile files and the device lines carry, so that a value read, shown, saved and written
// comes back the same. Record field forms on the wire (coordinates, scaled decimals, BLE fields)
// stay in numberedvalues.h and blerecordcodec.h; the kinds here are the stored and typed forms.
#pragma once

#include "gui/dlg/definitionmodel.h"
#include "platform/cstring.h"

namespace brelvano {

// ---- Combo position ----
// A position written as a non-negative decimal of at most nine digits; -1 for any other text.
int DecimalIndex(const CString& text);
// How the model keeps a choice: the option's position "%02d" (numbered set with an XML
// definition), or the option's own untranslated label (JSON definitions and the $-command set).
enum class ComboForm { kPosition, kLabel };
ComboForm StoredComboForm(bool numberedSet, bool json);
// The stored text of option (from 0) of p; empty when p has no such option.
CString EncodeComboChoice(const PARAM_INFO& p, int option, ComboForm form);
// The option a stored text stands for; -1 when it stands for none.
int DecodeComboChoice(const PARAM_INFO& p, const CString& stored, ComboForm form);
// The device's form of a choice: "%02d" of the position (XML) or of the option's value (JSON).
CString ComboChoiceToDevice(const PARAM_INFO& p, int option, ComboForm form);
// The option a device's "%02d" form stands for; -1 when none.
int ComboChoiceFromDevice(const PARAM_INFO& p, const CString& device, ComboForm form);

// ---- Alert number ----
// The stored text of an alert number: "%02d" for a JSON definition, "%02X" otherwise.
CString EncodeAlertNumber(int number, bool json);
int DecodeAlertNumber(const CString& stored, bool json);
// The device's form of an alert number is always "%02X".
CString AlertNumberToDevice(const CString& stored, bool json);
CString AlertNumberFromDevice(const CString& hex, bool json);

// ---- Decimal as typed ----
// A decimal the user typed in any locale, as the device takes it: ',' as decimal separator becomes
// '.', blanks around it go. Any other text is kept for its own check.
CString TypedDecimal(const CString& text);
// A number read from a record as the dialogs show it for editing: whole numbers as their integer,
// others with every decimal they carry (trailing zeros dropped), never rounded.
CString ShownDecimal(const CString& text);

// ---- Hex field ----
// A hexadecimal text in its field of width digits: padded with '0' at its end. FALSE with a message
// when it holds another character or is wider than the field.
bool EncodeHexField(const CString& text, int width, CString& out, CString& error);
// The width a hexadecimal field of a definition parameter takes on the line (2 without a size).
int HexFieldWidth(int nSize);

// ---- Text field ----
// A typed text that travels inside a device line: FALSE with a message naming the parameter when
// it holds the line's delimiter, a character of extra (e.g. "#") or a line break, which would
// split the line and shift every later field.
bool CheckTextField(const CString& text, wchar_t delimiter, const CString& extra, const CString& name,
                    CString& error);

}  // namespace brelvano
