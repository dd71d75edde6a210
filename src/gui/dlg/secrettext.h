// The lines of the device link as the log, the trace and the console show them: login passwords and
// the values of password parameters blanked out, wherever a line carries them (a page's write, a
// numbered-set write or read answer, an access-point entry). What goes to the device is untouched.
#pragma once

#include <map>
#include <set>
#include <vector>

#include "platform/cstring.h"

namespace brelvano {

// Where the values of password parameters stand in the lines of one definition.
struct SecretFields {
  // $-command set: a command whose header word is followed by its separator, then skip fields,
  // then the body; the body's fields (counted from 1) in fields hold passwords.
  struct Framed {
    CString header;
    int skip = 0;
    std::set<int> fields;
  };
  wchar_t separator = L';';
  std::vector<Framed> framed;
  // Access-point entries (the list answer after "AP;Req;", the preset acknowledgement after
  // "APS;Res;" and two fields): their fields (counted from 1) that hold passwords.
  std::set<int> presetFields;
  // Numbered set: the element numbers that hold passwords, by tab code ("05;02#secret").
  std::map<int, std::set<int>> numbered;

  bool Empty() const { return framed.empty() && presetFields.empty() && numbered.empty(); }
};

// The text (one line or several) with every login password and every password value blanked
// ("****"); an empty value stays empty.
CString HideSecrets(const CString& text, const SecretFields& where);

}  // namespace brelvano
