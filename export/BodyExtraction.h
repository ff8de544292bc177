// The body of a mail document as it was sent: a MIME body read through its entities, rich text
// through its conversion to MIME, and the files attached outside "Body".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "export/AttachmentFolder.h"
#include "export/FieldExtraction.h"
#include "export/MessageBody.h"
#include "notes/NotesObjects.h"

namespace mailshift::mail {

// Reads the body's parts into fields.bodyParts (their content into files of folder) and adds the
// attachments that are no part of the body's rich text (attachment parts of a MIME body, files
// attached outside "Body") to the attachment list and files. Without parts to write (rich text
// that converts to no more than plain text, or cannot be converted: fields.plainBodyReason says
// why), the plain text of "Body" stays the body. Failures are noted in fields, never thrown.
// With plainText the body stays the plain text of "Body" (or, when that is empty, the text part of
// a body stored as MIME); its attachments and header fields are read all the same.
void ReadMessageBody(notes::Document& document, AttachmentFolder& folder, MessageFields& fields,
                     bool plainText = false);

}  // namespace mailshift::mail
