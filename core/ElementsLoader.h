#pragma once
#include "core/Elements.h"

namespace KavirelDLL {

class CWindow;
class CTextCoder;
class CTextFileReader;

// Reads definition files into elements. Each logical line is a statement list:
//   DEF:name(KEY=value|KEY=value)   a template element, a new one even beside one of that name
//   OBJECT=name                     a new element, unless one of that name exists
//   IMPORT=name                     an element of TYPE SEQUENCE, unless one of that name exists
//   name:KEY=value                  a property of an existing element (':' and '=' both separate)
//   name:ADD=other                  name becomes a child of other
//   name:APPLY=other                other becomes a child of name
// A '/' anywhere in a line joins the next line to it, '#' starts a comment line and '!' ends the
// text. Names and keywords are matched byte for byte; the first element of a name is the one used.
class CMElementsLoader : public CXObject {
public:
    // Null when the file cannot be opened; otherwise a list that owns every element.
    static CMElements* load(CWindow* window, CXString fileName);
    // Parses the reader's text and deletes the reader; null when it carries an error code.
    static CMElements* load(CWindow* window, CTextFileReader* reader);
    static CMElements* load(CTextCoder* coder);
    // The next logical line: continuations joined, tabs and '/' removed, blanks trimmed.
    static CXString getLine(CTextCoder* coder);
    // Writing definitions is not supported: nothing is written.
    static bool save(CXString fileName, CMElements* elements);
};

} // namespace KavirelDLL
