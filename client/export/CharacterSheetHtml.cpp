// The character sheet as a web page: a black page with grey text for the
// file, a light one for mail.
#include "client/export/CharacterSheet.h"
#include "client/export/ExportMarkup.h"

#include "engine/core/ColorCodes.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Localization.h"

namespace {

using namespace ExportMarkup;

class HtmlSheetWriter : public SheetWriter {
public:
    HtmlSheetWriter(std::string& out, bool darkPage) : m_out(out), m_dark(darkPage) {}

    void begin(const std::string& name) override
    {
        beginHtmlDocument(m_text, name);
        if (m_dark) {
            openHtmlTag(m_text, kBody, "bgcolor=\"#000000\" text=\"#CCCCCC\"");
        }
    }
    void nameHeading(const std::string& name) override { heading(kHeading1, name); }
    void titleHeading(const std::string& title) override { heading(kHeading2, title); }
    void openSection(const char* heading) override
    {
        openHtmlTag(m_text, kHeading2);
        m_text += heading;
        closeHtmlTag(m_text, kHeading2);
        openHtmlTag(m_text, kParagraph);
    }
    void closeSection() override { closeHtmlTag(m_text, kParagraph); }
    void line(const std::string& text) override { m_text += text + "<br>"; }
    void blank() override { m_text += "<br>"; }
    void itemEnd() override { m_text += "<br>"; }
    void finish() override
    {
        appendHtmlLink(m_text, kFooterUrl, kFooterText);
        closeHtmlTag(m_text, kBody);
        closeHtmlTag(m_text, kHtml);
        if (Localization* loc = Localization::instance()) {
            loc->translate(m_text);
        }
        convertColorCodesToHtml(m_text, m_dark);
        stripColorCodes(m_text);
        replaceAll(m_text, "\n", "<br>");
        m_out += m_text;
    }
    std::string escape(std::string_view gameText) const override { return htmlText(gameText); }

private:
    void heading(int tag, const std::string& text)
    {
        openHtmlTag(m_text, tag);
        openHtmlTag(m_text, kCenter);
        m_text += text;
        closeHtmlTag(m_text, kCenter);
        closeHtmlTag(m_text, tag);
    }

    std::string& m_out;
    bool m_dark;
    std::string m_text;
};

} // namespace

void buildCharacterHtml(std::string& out, bool darkPage)
{
    HtmlSheetWriter writer(out, darkPage);
    writeCharacterSheet(writer);
}
