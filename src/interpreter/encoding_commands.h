// Command handlers of the text encodings: UTF-8 and ANSI, base64 on
// variables and on files, quoted-printable escaping; and the base64 and
// quoted-printable routines they use.
#pragma once

#include <string>
#include <string_view>

bool cmdAnsiParaUtf8(std::string_view args);
bool cmdUtf8ParaAnsi(std::string_view args);
bool cmdCodBase64(std::string_view args);
bool cmdDecodBase64(std::string_view args);
bool cmdCodArqBase64(std::string_view args);
bool cmdDecodArqBase64(std::string_view args);
bool cmdRemoveQuoted(std::string_view args);
bool cmdAdQuoted(std::string_view args);

// Standard base64 on one line, padded with "=".
std::string encodeBase64(const std::string& bytes);
// Blanks, line ends and other characters outside the alphabet are skipped;
// decoding stops after the first "="; bits of an unfinished group drop.
std::string decodeBase64(const std::string& text);
// Source file to destination file; false when a file cannot be opened or
// made, or a read or write fails.
bool encodeBase64File(const std::string& source, const std::string& destination);
bool decodeBase64File(const std::string& source, const std::string& destination);
// "=" and two upper-case hexadecimal digits for bytes 0-31, "=" and 127-255.
std::string quotedEncode(const std::string& text);
std::string quotedDecode(const std::string& text);
