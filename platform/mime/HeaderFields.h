// Header field values of an Internet message, written 7-bit clean: plain where the text allows
// it, RFC 2047 encoded words in UTF-8 otherwise, file names as RFC 2231 parameters.
//
// Each value is the raw text that follows "Name:" on the header line: it begins with a space,
// folded lines are joined by "\n " and it ends with "\n". Lines stay within 78 characters where
// the text allows it and always within 998.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/mime/RecipientText.h"

namespace mailshift::platform {

// An unstructured field (Subject): every character is kept, spaces and control characters too.
std::string UnstructuredFieldValue(std::string_view fieldName, std::string_view text);

// An address field (From, To, Cc, Bcc). A Notes name becomes a group of that name with no
// members ("Bob Ray/Org:;"), so that it survives any standard parser.
std::string AddressFieldValue(std::string_view fieldName, const std::vector<Recipient>& recipients);

// A Content-Type or Content-Disposition value with one file-name parameter, e.g.
// (" attachment", "filename", "Bericht.pdf").
std::string FileNameFieldValue(std::string_view leadingValue, std::string_view parameterName,
                               std::string_view fileName);

}  // namespace mailshift::platform
