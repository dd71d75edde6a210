// The wire form of a BLE record's values in the numbered-parameter set, and the texts the BLE page
// and its detail dialog show for them. Decimal values are scaled exactly from their text (0.29 with
// two decimals is 29, never 28), and a value that does not fit its fixed-width field is refused with
// a message instead of lengthening the line.
#pragma once

#include "gui/dlg/definitionmodel.h"
#include "platform/cstring.h"

namespace brelvano {

// text x 10^decimals, cut toward zero. The text is an optional sign, digits and an optional
// decimal separator ('.' or ',') with more digits; an empty text is 0. FALSE for any other text
// or a magnitude beyond 10^18.
bool ScaleDecimalText(const CString& text, int decimals, long long& value);
// A value as the list and the detail dialog show it: a whole number as its integer, otherwise cut
// to the given decimals ("3.1415" with 2 gives "3.14"). A text that is not a number is kept.
CString FormatDecimalCut(const CString& text, int decimals);
// One value in its field: a choice as 2 hexadecimal digits, a number with decimals (or a plain
// edit) as sign and magnitude of nWidth digits, a number without decimals as the last nWidth
// digits of its two's complement, a hexadecimal text as it is (shorter ones padded at their end).
// FALSE with a message for a value that is not a number or does not fit its field.
bool EncodeBleValue(const CString& token, const FIELD_FORMAT& format, CString& out, CString& error);
// The reader of EncodeBleValue: takes one field of format from the front of values and gives its
// text ("%d" for whole fields, "%lf" for fields with decimals, a hexadecimal text as it stands).
// A plain edit is read as sign and magnitude like any signed number on the line; a number field
// without decimals as its 16-bit two's complement. FALSE, nothing taken, for a type without a field.
bool DecodeBleValue(CString& values, const FIELD_FORMAT& format, CString& text);
// The record line the BLE page hands to the main window: "%02d" slot, "#", "%02d" active flag,
// the values one after the other, CR. Empty (TRUE) when the record has no values; FALSE with a
// message when a value is refused.
bool EncodeBleRecordLine(const BLE_INFO& record, CString& out, CString& error);

}  // namespace brelvano
