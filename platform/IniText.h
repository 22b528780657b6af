#pragma once

#include <optional>
#include <string>

// The text of an INI file, read and changed as the Windows profile functions
// do. Section and key names match without regard to case; blanks around names
// and values do not count; lines that are neither "[section]" nor "key=value"
// are kept as they are and otherwise ignored; CR LF and LF line ends are both
// read, and so is a CR that ends the text, as a CR LF cut short.
namespace platform {

// Value `key` of the first section named `section`; later sections of that
// name are not read.
std::optional<std::string> findIniValue(const std::string& text, const std::string& section,
                                        const std::string& key);

// A value as the profile functions give it: one pair of matching single or
// double quotes around it is dropped ("/tmp/a b.xls" reads as /tmp/a b.xls).
std::string withoutQuotes(const std::string& value);

// True when the three texts can be written without adding lines of their own.
bool fitsOnOneLine(const std::string& section, const std::string& key, const std::string& value);

// `text` with `key` of `section` set to `value`: the key's line is replaced, or
// a new line closes the section, or a new section ends the text. New lines end
// the way the text's first line does (LF in a new file). Nothing when the
// entry does not fit on one line or would not read back: a section name
// holding "]", a key holding "=" or beginning with "[".
std::optional<std::string> withIniValue(const std::string& text, const std::string& section,
                                        const std::string& key, const std::string& value);

} // namespace platform
