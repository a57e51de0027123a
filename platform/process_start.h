#pragma once
// Starting another program (the flash tool) without waiting for it.
#include <string>
#include <string_view>

namespace fabrion {

// Starts program with the one parameter string and returns at once; the
// program inherits the current folder and is never run through a shell
// interpreter, so no character of the path or the parameter is interpreted.
// POSIX: the parameter is the program's single argument, byte for byte, and
// the program is reparented away so that no zombie is left behind. Windows:
// the shell's default verb with the parameter string, shown normally.
// Returns false when the program could not be started.
bool StartDetachedProgram(const std::string& program, const std::string& parameter);

// The parameter bytes as UTF-16 for the Windows shell: valid UTF-8 sequences
// are decoded, every other byte (such as a lone 0xB6) is taken as the
// Windows-1252 character of that code.
std::u16string ParameterTextUtf16(std::string_view bytes);

}  // namespace fabrion
