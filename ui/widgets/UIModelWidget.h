#pragma once

#include "engine/console/UserVarRef.h"
#include "engine/core/ZonePosition3.h"
#include "engine/resources/ResourceHandle.h"
#include "ui/widgets/UIWidget.h"

#include <array>
#include <memory>
#include <string>

class PreviewEntity;

// A 3D model in the widget's rectangle, with a skin and up to four models
// hanging at its tags, turned to an angle; all of it follows user variables.
class UIModelWidget : public UIWidget {
public:
    static constexpr int kAttachments = 4;
    // Where the preview stands, away from every level.
    static ZonePosition3 previewPosition() { return ZonePosition3(-1, 1000.0f, 1000.0f, 0.0f); }

    UIModelWidget();
    ~UIModelWidget() override;

    void draw() override;
    void update(float seconds) override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    PreviewEntity& getModelEntity() const { return *m_main; }
    PreviewEntity& getAttachment(int index) const
    {
        return *m_attachments[static_cast<size_t>(index)].entity;
    }
    const UserVarRef& getAttachmentVar(int index) const
    {
        return m_attachments[static_cast<size_t>(index)].var;
    }
    const std::string& getAttachmentTag(int index) const
    {
        return m_attachments[static_cast<size_t>(index)].tag;
    }
    // The attach point of the main model an attachment hangs at (-1: none).
    int getAttachPoint(int index) const { return m_attachments[static_cast<size_t>(index)].attachPoint; }
    float getAngle() const { return m_angle; }
    float getZoom() const { return m_zoom; }

private:
    struct Attachment {
        std::unique_ptr<PreviewEntity> entity;
        UserVarRef var;
        std::string modelName;
        std::string tag;
        int attachPoint = -1;
    };

    void placeAttachments();

    std::unique_ptr<PreviewEntity> m_main;
    std::array<Attachment, kAttachments> m_attachments;
    UserVarRef m_modelVar, m_skinVar, m_angleVar;
    std::string m_modelName, m_skinName;
    ResourceHandle m_skin;
    float m_angle = 45.0f;
    float m_zoom = 1.0f;
    bool m_clearBackground = false;
};
