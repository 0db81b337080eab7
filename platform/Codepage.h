#pragma once
#include <string>

namespace KavirelDLL {

// Engine text is code page 1250; the operating system speaks UTF-8.
std::string cp1250ToUtf8(const std::string& text);
// Characters that code page 1250 cannot hold become '?'; ok (when given) tells whether all converted.
std::string utf8ToCp1250(const std::string& text, bool* ok = nullptr);
// Lowers ASCII letters and the Polish upper/lower pairs, the way names are compared without regard to case.
char foldCp1250(char c);
std::string foldCp1250(const std::string& text);

} // namespace KavirelDLL
