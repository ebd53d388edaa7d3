// The character sheet as forum text (BBCode).
#include "client/export/CharacterSheet.h"
#include "client/export/ExportMarkup.h"

#include "engine/core/ColorCodes.h"
#include "engine/data/Localization.h"

namespace {

using namespace ExportMarkup;

class ForumSheetWriter : public SheetWriter {
public:
    explicit ForumSheetWriter(std::string& out) : m_out(out) {}

    void begin(const std::string&) override {}
    void nameHeading(const std::string& name) override { heading(VbulletinTagKind::Heading, name); }
    void titleHeading(const std::string& title) override { heading(VbulletinTagKind::Subheading, title); }
    void openSection(const char* heading) override
    {
        openVbulletinTag(m_text, VbulletinTagKind::Subheading);
        m_text += heading;
        closeVbulletinTag(m_text, VbulletinTagKind::Subheading);
        openVbulletinTag(m_text, VbulletinTagKind::Paragraph);
    }
    void closeSection() override { closeVbulletinTag(m_text, VbulletinTagKind::Paragraph); }
    void line(const std::string& text) override { m_text += text + "\n"; }
    void blank() override { m_text += "\n"; }
    void itemEnd() override { m_text += "\n"; }
    void finish() override
    {
        appendVbulletinUrl(m_text, kFooterUrl, kFooterText);
        if (Localization* loc = Localization::instance()) {
            loc->translate(m_text);
        }
        convertColorCodesToVbulletin(m_text);
        stripColorCodes(m_text);
        m_out += m_text;
    }
    std::string escape(std::string_view gameText) const override { return forumText(gameText); }

private:
    void heading(VbulletinTagKind kind, const std::string& text)
    {
        openVbulletinTag(m_text, kind);
        openVbulletinTag(m_text, VbulletinTagKind::Center);
        m_text += text;
        closeVbulletinTag(m_text, VbulletinTagKind::Center);
        closeVbulletinTag(m_text, kind);
    }

    std::string& m_out;
    std::string m_text;
};

} // namespace

void buildCharacterVbulletin(std::string& out)
{
    ForumSheetWriter writer(out);
    writeCharacterSheet(writer);
}
