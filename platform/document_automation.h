#pragma once
// Word-processor automation in place of the "Word.Application" server: an application object
// that keeps documents of paragraphs in memory and writes them as a real .docx file (an Office
// Open XML package built with libzip). Its calls are the properties and methods the document
// export uses: Visible, Documents.Add, ActiveDocument, Paragraphs.Add and Range.Paste. A call
// that cannot be carried out throws AutomationError.
//
// Not thread-safe; one thread drives one application.

#include "office_automation.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A picture as the clipboard hands it over: PNG bytes and the size in pixels.
struct Picture {
    std::string png;
    int width = 0;
    int height = 0;
};

// What Range.Paste takes: the clipboard's picture, or nothing when it holds none.
using ClipboardPictureReader = std::function<std::optional<Picture>()>;

class Paragraph {
public:
    // Range.Paste on the paragraph's range: appends the clipboard's picture. Throws when the
    // clipboard holds no picture.
    void paste();
    const std::vector<Picture>& pictures() const { return d_pictures; }

    explicit Paragraph(const ClipboardPictureReader* clipboard) : p_clipboard(clipboard) {}

private:
    const ClipboardPictureReader* p_clipboard;
    std::vector<Picture> d_pictures;
};

class Document {
public:
    explicit Document(const ClipboardPictureReader* clipboard);
    // Paragraphs.Add: a new, empty paragraph after the last one.
    Paragraph& addParagraph();
    const std::vector<std::unique_ptr<Paragraph>>& paragraphs() const { return d_paragraphs; }

    // The document as its main part, word/document.xml; pictures refer to the relationships
    // "rId1", "rId2", ... in document order.
    // With the page settings of one section: A4 or US Letter, margins of one inch.
    std::string documentXml(bool letterPaper = false) const;

private:
    const ClipboardPictureReader* p_clipboard;
    std::vector<std::unique_ptr<Paragraph>> d_paragraphs;
};

class DocumentApplication {
public:
    // A word-processor application that pastes from `clipboard` and
    // saves onto `desk`. Throws AutomationError when the desk's folder cannot take files.
    DocumentApplication(OfficeDesk desk, ClipboardPictureReader clipboard);

    void setVisible(bool visible) { d_visible = visible; }
    bool visible() const { return d_visible; }

    // Documents.Add: a new document with one empty paragraph; it becomes the active one.
    Document& addDocument();
    // ActiveDocument; throws when there is none.
    Document& activeDocument();
    int documentCount() const { return static_cast<int>(d_documents.size()); }

    // Writes the active document as a .docx file at `path` (through a temporary file). Pictures
    // wider than the text (6 inches at 96 pixels per inch) are scaled down to it. Throws
    // AutomationError when the file cannot be written.
    void saveAs(const std::string& path) const;

    // The exporter lets go of the application. A visible one then saves each document onto the
    // desk as "Document<n>.docx" (the lowest free n, never replacing a file) and hands each
    // path to the desk's viewer; an invisible one drops its documents. Returns the paths.
    std::vector<std::string> release();

private:
    static void write(const Document& document, const std::string& file, bool letterPaper);

    OfficeDesk d_desk;
    // Held behind a pointer: paragraphs keep its address.
    std::unique_ptr<ClipboardPictureReader> p_clipboard;
    bool d_visible = false;
    std::vector<std::unique_ptr<Document>> d_documents;
    Document* p_active = nullptr;
};
