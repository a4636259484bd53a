#include "document_automation.h"

#include "process_locale.h"
#include "temp_dir.h"
#include "zip_entries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {

class DocumentTest : public ::testing::Test {
protected:
    TempDir dir;
    std::vector<std::string> opened;
    std::optional<Picture> clipboard;

    DocumentApplication application() {
        return DocumentApplication({dir.file("desk"), [this](const std::string& p) { opened.push_back(p); }},
                                   [this] { return clipboard; });
    }
};

// The bytes of a picture need not decode for the package; they travel unchanged.
Picture picture(int width, int height, const std::string& bytes) { return {bytes, width, height}; }

TEST_F(DocumentTest, PastedPictureIsInTheSavedDocument) {
    DocumentApplication word = application();
    word.setVisible(true);
    word.addDocument();
    clipboard = picture(480, 360, std::string("\x89PNG\r\n\x1a\n-one", 12));
    word.activeDocument().addParagraph().paste();
    const std::vector<std::string> paths = word.release();
    ASSERT_EQ(paths, (std::vector<std::string>{dir.file("desk/Document1.docx")}));
    EXPECT_EQ(opened, paths);

    const auto entries = zipEntries(paths[0]);
    EXPECT_EQ(entries.at("word/media/image1.png"), clipboard->png);
    EXPECT_NE(entries.at("[Content_Types].xml").find("<Default Extension=\"png\" ContentType=\"image/png\"/>"),
              std::string::npos);
    EXPECT_NE(entries.at("_rels/.rels").find("Target=\"word/document.xml\""), std::string::npos);
    EXPECT_NE(entries.at("word/_rels/document.xml.rels").find("Id=\"rId1\""), std::string::npos);
    EXPECT_NE(entries.at("word/_rels/document.xml.rels").find("Target=\"media/image1.png\""), std::string::npos);

    // Documents.Add's empty paragraph, then the added one holding the picture at 96 dpi.
    const std::string& body = entries.at("word/document.xml");
    const std::regex layout(
        "<w:body><w:p/><w:p><w:r><w:drawing><wp:inline[^>]*><wp:extent cx=\"4572000\" "
        "cy=\"3429000\"/>.*r:embed=\"rId1\".*</w:p>"
        "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1440\" [^>]*/></w:sectPr></w:body>");
    EXPECT_TRUE(std::regex_search(body, layout)) << body; // A4 unless the locale uses Letter
    // The properties an office suite reads, named in the package.
    EXPECT_NE(entries.at("docProps/core.xml").find("<dc:creator>Velmora2</dc:creator>"), std::string::npos);
    EXPECT_TRUE(
        std::regex_search(entries.at("docProps/core.xml"),
                          std::regex("<dcterms:created xsi:type=\"dcterms:W3CDTF\">20[0-9]{2}-[01][0-9]-[0-3][0-9]T")));
    EXPECT_NE(entries.at("docProps/app.xml").find("<Application>Velmora2</Application>"), std::string::npos);
    EXPECT_NE(entries.at("_rels/.rels").find("Target=\"docProps/core.xml\""), std::string::npos);
    EXPECT_NE(entries.at("[Content_Types].xml").find("PartName=\"/docProps/app.xml\""), std::string::npos);

    // US Letter, written under a decimal-comma locale: the sizes stay plain numbers.
    const ProcessLocale german(ProcessLocale::GERMAN);
    OfficeDesk letter{dir.file("us"), nullptr};
    letter.letterPaper = true;
    DocumentApplication us(letter, [this] { return clipboard; });
    us.setVisible(true);
    us.addDocument().addParagraph().paste();
    const auto usBody = zipEntries(us.release().at(0)).at("word/document.xml");
    EXPECT_NE(usBody.find("<w:pgSz w:w=\"12240\" w:h=\"15840\"/>"), std::string::npos) << usBody;
    EXPECT_NE(usBody.find("cx=\"4572000\" cy=\"3429000\""), std::string::npos) << usBody;
}

TEST_F(DocumentTest, WidePicturesShrinkToTheTextWidthAndEachGetsItsPart) {
    DocumentApplication word = application();
    Document& document = word.addDocument();
    Paragraph& p = document.addParagraph();
    clipboard = picture(1000, 500, "first");
    p.paste();
    clipboard = picture(10, 20, "second");
    document.addParagraph().paste();
    EXPECT_EQ(&word.activeDocument(), &document);

    word.saveAs(dir.file("two.docx"));
    const auto entries = zipEntries(dir.file("two.docx"));
    EXPECT_EQ(entries.at("word/media/image1.png"), "first");
    EXPECT_EQ(entries.at("word/media/image2.png"), "second");
    const std::string& body = entries.at("word/document.xml");
    EXPECT_NE(body.find("<wp:extent cx=\"5486400\" cy=\"2743200\"/>"),
              std::string::npos); // 6 x 3 inches
    EXPECT_NE(body.find("<wp:extent cx=\"95250\" cy=\"190500\"/>"), std::string::npos);
    EXPECT_NE(body.find("r:embed=\"rId2\""), std::string::npos);
    EXPECT_TRUE(opened.empty());
}

TEST_F(DocumentTest, CallsThatCannotBeCarriedOutThrow) {
    DocumentApplication word = application();
    EXPECT_THROW(word.activeDocument(), AutomationError);
    EXPECT_THROW(word.saveAs(dir.file("none.docx")), AutomationError);
    Paragraph& p = word.addDocument().addParagraph();
    EXPECT_THROW(p.paste(), AutomationError); // empty clipboard
    clipboard = picture(0, 10, "x");
    EXPECT_THROW(p.paste(), AutomationError); // no picture either
    EXPECT_TRUE(p.pictures().empty());

    // An invisible application saves nothing when let go.
    EXPECT_TRUE(word.release().empty());
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.file("desk")), std::filesystem::directory_iterator()), 0);

    dir.write("file", "x");
    EXPECT_THROW(DocumentApplication({dir.file("file"), nullptr}, nullptr), AutomationError);
}

} // namespace
