// Text rules of the program's boxes: the caption taken from the executable's
// name, the full stop of error boxes and the one-line trace on standard error.
#pragma once

#include <QString>

#include <string>

namespace tramex {

// "C:/Prog/TRAMEX.EXE" -> "Tramex": the file name up to its first ".", first
// character as it is, the rest in lower case.
QString TitleFromExecutablePath(const QString& executablePath);

// The title of this program: from the running executable's file name.
QString ApplicationTitle();

// The message with "." appended when its last character sorts after ".".
std::string ErrorBoxText(const std::string& message);

// "tramex: " + text, with each line break inside the text written as a space.
std::string TraceLine(const std::string& text);

}  // namespace tramex
