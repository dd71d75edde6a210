// The "Document" folder below the current folder, which holds the program's working files, and
// the two branding files in it that personalise the main window: the company text (the first line
// of "CompanyText.txt") and the company image ("CompanyImage.bmp").
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

namespace brelvano {

// The current folder + "/Document/" (with the closing '/', so that file names follow directly).
CString GetDocumentFolder();

// Makes sure the Document folder exists, creating it when missing (a failure to create it is not
// reported: the files in it are then simply absent), and returns its path as GetDocumentFolder.
CString PrepareDocumentFolder();

// The first line of a UTF-8 text file as it is, without its line feed: a byte-order mark stays as
// its character and a carriage return before the line feed stays at the end. FALSE, and text
// empty, when the file cannot be opened; FALSE, and text as it was, when it cannot be read; an
// empty file gives TRUE and an empty text.
BOOL ReadCompanyText(const CString& path, CString& text);

// What the main window shows from the branding files.
struct BrandingFiles {
  CString documentDir;   // the Document folder, with the closing '/'
  CString imagePath;     // documentDir + "CompanyImage.bmp"
  CString textPath;      // documentDir + "CompanyText.txt"
  bool hasImage = false; // the image file exists (a file, not a folder); decoding is the window's part
  bool hasText = false;  // the text file was read
  bool textUnreadable = false;  // the text file opened but could not be read: the shown text stays
  CString companyText;   // its first line; empty without it
};

// Prepares the Document folder and looks at the branding files in it.
BrandingFiles LoadBrandingFiles();

}  // namespace brelvano
