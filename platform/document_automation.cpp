#include "document_automation.h"

#include <zip.h>

#include <ctime>
#include <filesystem>

namespace {

constexpr long long kEmuPerPixel = 9525;          // 914400 per inch at 96 pixels per inch
constexpr long long kTextWidthEmu = 6 * 914400LL; // 6 inches

const char* const kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Default Extension=\"png\" ContentType=\"image/png\"/>"
    "<Override PartName=\"/word/document.xml\" "
    "ContentType=\"application/"
    "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "<Override PartName=\"/docProps/core.xml\" "
    "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
    "<Override PartName=\"/docProps/app.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/>"
    "</Types>";

const char* const kPackageRelationships =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"word/document.xml\"/>"
    "<Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties\" "
    "Target=\"docProps/core.xml\"/>"
    "<Relationship Id=\"rId3\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties\" "
    "Target=\"docProps/app.xml\"/>"
    "</Relationships>";

// @TIME@: the time of writing, UTC, as W3CDTF.
const char* const kCoreProperties =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<cp:coreProperties "
    "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
    "<dc:title>Oscilloscope display</dc:title><dc:creator>Velmora2</dc:creator>"
    "<dcterms:created xsi:type=\"dcterms:W3CDTF\">@TIME@</dcterms:created>"
    "<dcterms:modified xsi:type=\"dcterms:W3CDTF\">@TIME@</dcterms:modified>"
    "</cp:coreProperties>";

const char* const kAppProperties =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
    "<Application>Velmora2</Application><Pages>1</Pages></Properties>";

// Page sizes in twentieths of a point; one-inch margins leave the 6-inch text width.
const char* const kA4Section = "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/>"
                               "<w:pgMar w:top=\"1440\" w:right=\"1440\" w:bottom=\"1440\" w:left=\"1440\" "
                               "w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/></w:sectPr>";
const char* const kLetterSection = "<w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/>"
                                   "<w:pgMar w:top=\"1440\" w:right=\"1440\" w:bottom=\"1440\" w:left=\"1440\" "
                                   "w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/></w:sectPr>";

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// An inline picture; @ID@ is its number n (relationship rId<n>), @EXTENT@ its size.
const char* const kInlinePicture =
    "<w:r><w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">"
    "<wp:extent @EXTENT@/><wp:docPr id=\"@ID@\" name=\"Picture @ID@\"/>"
    "<wp:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/></wp:cNvGraphicFramePr>"
    "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
    "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"@ID@\" "
    "name=\"image@ID@.png\"/><pic:cNvPicPr/></pic:nvPicPr>"
    "<pic:blipFill><a:blip r:embed=\"rId@ID@\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>"
    "<pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext @EXTENT@/></a:xfrm>"
    "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr>"
    "</pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";

std::string replaceAll(std::string text, const std::string& marker, const std::string& value) {
    for (size_t at = 0; (at = text.find(marker, at)) != std::string::npos; at += value.size())
        text.replace(at, marker.size(), value);
    return text;
}

// Picture n, scaled to the text width when wider.
std::string inlinePicture(const Picture& p, int n) {
    long long cx = p.width * kEmuPerPixel;
    long long cy = p.height * kEmuPerPixel;
    if (cx > kTextWidthEmu) {
        cy = cy * kTextWidthEmu / cx;
        cx = kTextWidthEmu;
    }
    const std::string extent = "cx=\"" + std::to_string(cx) + "\" cy=\"" + std::to_string(cy) + "\"";
    return replaceAll(replaceAll(kInlinePicture, "@EXTENT@", extent), "@ID@", std::to_string(n));
}

std::vector<const Picture*> picturesOf(const Document& document) {
    std::vector<const Picture*> all;
    for (const auto& p : document.paragraphs())
        for (const Picture& picture : p->pictures()) all.push_back(&picture);
    return all;
}

std::string documentRelationships(size_t pictures) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (size_t i = 1; i <= pictures; ++i)
        xml += replaceAll("<Relationship Id=\"rId@ID@\" Type=\"http://schemas.openxmlformats.org/"
                          "officeDocument/2006/relationships/image\" Target=\"media/image@ID@.png\"/>",
                          "@ID@", std::to_string(i));
    return xml + "</Relationships>";
}

// Adds `data` as `name`; the bytes must live until the archive is closed.
void addEntry(zip_t* archive, const std::string& name, const std::string& data, bool store) {
    zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
    if (!source) throw AutomationError("cannot add " + name + ": " + zip_strerror(archive));
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        throw AutomationError("cannot add " + name + ": " + zip_strerror(archive));
    }
    // PNG data is compressed already.
    if (store) zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
}

} // namespace

void Paragraph::paste() {
    std::optional<Picture> picture = *p_clipboard ? (*p_clipboard)() : std::nullopt;
    if (!picture || picture->png.empty() || picture->width <= 0 || picture->height <= 0)
        throw AutomationError("Range.Paste: the clipboard holds no picture");
    d_pictures.push_back(std::move(*picture));
}

Document::Document(const ClipboardPictureReader* clipboard) : p_clipboard(clipboard) { addParagraph(); }

Paragraph& Document::addParagraph() {
    d_paragraphs.push_back(std::make_unique<Paragraph>(p_clipboard));
    return *d_paragraphs.back();
}

std::string Document::documentXml(bool letterPaper) const {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
                      "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
                      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                      "xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><w:body>";
    int n = 0;
    for (const auto& p : d_paragraphs) {
        if (p->pictures().empty()) {
            xml += "<w:p/>";
            continue;
        }
        xml += "<w:p>";
        for (const Picture& picture : p->pictures()) xml += inlinePicture(picture, ++n);
        xml += "</w:p>";
    }
    return xml + (letterPaper ? kLetterSection : kA4Section) + "</w:body></w:document>";
}

DocumentApplication::DocumentApplication(OfficeDesk desk, ClipboardPictureReader clipboard)
    : d_desk(std::move(desk)), p_clipboard(std::make_unique<ClipboardPictureReader>(std::move(clipboard))) {
    office::prepareDesk(d_desk, "Word.Application");
}

Document& DocumentApplication::addDocument() {
    d_documents.push_back(std::make_unique<Document>(p_clipboard.get()));
    p_active = d_documents.back().get();
    return *p_active;
}

Document& DocumentApplication::activeDocument() {
    if (!p_active) throw AutomationError("ActiveDocument: no document is open");
    return *p_active;
}

void DocumentApplication::write(const Document& document, const std::string& file, bool letterPaper) {
    // Every part stays alive until zip_close has read it.
    const std::vector<const Picture*> pictures = picturesOf(document);
    const std::string contentTypes = kContentTypes;
    const std::string packageRels = kPackageRelationships;
    const std::string main = document.documentXml(letterPaper);
    const std::string core = replaceAll(kCoreProperties, "@TIME@", utcNow());
    const std::string app = kAppProperties;
    const std::string rels = documentRelationships(pictures.size());

    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) {
        zip_error_t e;
        zip_error_init_with_code(&e, error);
        const std::string why = zip_error_strerror(&e);
        zip_error_fini(&e);
        throw AutomationError("cannot write " + file + ": " + why);
    }
    try {
        addEntry(archive, "[Content_Types].xml", contentTypes, false);
        addEntry(archive, "_rels/.rels", packageRels, false);
        addEntry(archive, "word/document.xml", main, false);
        addEntry(archive, "word/_rels/document.xml.rels", rels, false);
        addEntry(archive, "docProps/core.xml", core, false);
        addEntry(archive, "docProps/app.xml", app, false);
        for (size_t i = 0; i < pictures.size(); ++i)
            addEntry(archive, "word/media/image" + std::to_string(i + 1) + ".png", pictures[i]->png, true);
    } catch (...) {
        zip_discard(archive);
        throw;
    }
    if (zip_close(archive) != 0) {
        const std::string why = zip_strerror(archive);
        zip_discard(archive);
        throw AutomationError("cannot write " + file + ": " + why);
    }
}

void DocumentApplication::saveAs(const std::string& path) const {
    if (!p_active) throw AutomationError("SaveAs: no document is open");
    const Document& document = *p_active;
    office::replaceWith(
        office::writeTemporary(path, [&](const std::string& f) { write(document, f, d_desk.letterPaper); }), path);
}

std::vector<std::string> DocumentApplication::release() {
    std::vector<std::string> paths;
    if (d_visible) {
        for (const auto& document : d_documents) {
            const std::string temp =
                office::writeTemporary((std::filesystem::path(d_desk.folder) / "Document").string(),
                                       [&](const std::string& f) { write(*document, f, d_desk.letterPaper); });
            paths.push_back(office::placeAsNew(temp, d_desk.folder, "Document", ".docx"));
        }
    }
    d_documents.clear();
    p_active = nullptr;
    if (d_desk.open)
        for (const std::string& path : paths) d_desk.open(path);
    return paths;
}
