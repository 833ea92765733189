// The two pass phrases shared with whoever publishes the notice file and the update list, kept
// in this one place. They ship inside the program: anyone who has the program can read them, so
// they hide the notice text from casual eyes and catch damaged files, nothing more.
#pragma once

namespace sorvik {

constexpr char kNoticePassphrase[] = "moorlark";  // encrypts the notice file
constexpr char kUpdatePassphrase[] = "tarsel";    // keys the file signatures of the update list

}  // namespace sorvik
