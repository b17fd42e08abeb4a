// Whether the running program's account belongs to one of Windows' own
// groups, as its access checks see it: a group Windows holds back (an
// administrator not elevated) does not count.
#pragma once

namespace dizi {

enum class WellKnownGroup {
  Administrators,  // BUILTIN\Administrators
  LocalSystem,     // the system's own account
  Interactive,     // logged on at the screen, not a service, batch or network logon
};

// False also when the question cannot be answered.
bool TokenIsMemberOf(WellKnownGroup group);

// True when the program's token is the elevated half of a token that User
// Account Control split (Vista and later): its rights came from an elevation
// the user agreed to. False on earlier Windows, for an unsplit token, and
// when the question cannot be answered.
bool TokenWasElevatedByConsent();

}  // namespace dizi
