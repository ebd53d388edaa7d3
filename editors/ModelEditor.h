#pragma once

// The model editor: places attachment tags on the bones of a skeletal model
// and previews its animations frame by frame. It shows the model (and an
// attachment held at the current tag) in a view of its own, moves and turns
// the current tag in small steps and writes the model's tags file.

#include "engine/console/UserVarRef.h"
#include "engine/core/MathUtil.h"
#include "engine/core/Singleton.h"
#include "engine/core/ZonePosition3.h"
#include "engine/object/SafePtr.h"
#include "engine/resources/ResourceHandle.h"

#include <memory>
#include <string>
#include <vector>

class ModelResource;
class PreviewEntity;
class UIDropDownBox;
class UIMenu;
class UITextureList;
struct ListEntry;

class ModelEditor : public Singleton<ModelEditor> {
public:
    static constexpr float kZoomMin = 0.1f;
    static constexpr float kZoomMax = 2.0f;
    static constexpr float kLightRadius = 150.0f;

    ModelEditor();
    ~ModelEditor();

    void registerCommands();
    void start();
    void bindWidgets();

    bool isActive() const { return m_active; }
    void enter();
    void leave();

    // The frame step (from the client) and the drawing (from the frame).
    void update(double seconds);
    void draw();

    // ---- View and animation
    void zoomBy(float step);
    float getZoom() const { return m_zoom; }
    void shift(float height);
    void turnModel(float degrees);
    void scaleAttachment(float step);
    void stepAnimation(int step);
    void selectAnimation(int index);
    void play(bool once);
    void stop();
    void stepFrame(int step);
    int getAnimationIndex() const { return m_animation; }
    int getFrameCount() const { return m_frameCount; }
    int getFrameRate() const { return m_frameRate; }
    void setModelMode(int mode);

    // ---- Tags (ModelEditorTags.cpp)
    // Moves the current tag one unit along a world direction.
    void moveTag(const Vec3& direction);
    // The camera's directions the tag moves along: left and flattened forward.
    Vec3 cameraLeft() const;
    Vec3 cameraForward() const;
    void turnTag(float yaw, float pitch, float roll);
    void stepTag(int step);
    void addTag();
    void deleteTag();
    bool saveTags();
    int getCurrentTag() const { return m_currentTag; }
    int getFirstTag() const { return m_firstTag; }
    int getLastTag() const { return m_lastTag; }
    void listBones(std::vector<ListEntry>& list) const;

    ModelResource* getModel() const;
    PreviewEntity& getModelEntity() { return *m_modelEntity; }
    PreviewEntity& getAttachmentEntity() { return *m_attachmentEntity; }
    const ZonePosition3& getCameraTarget() const { return m_cameraTarget; }

private:
    void followModelVariables();
    void resetForModel();
    void takeTagRange();
    void showTagVariables();
    void showFrame();
    void copyTagVariables();
    void pushMenu(const char* name);
    Matrix3 cameraRotation() const;

    bool m_active = false;
    SafePtr<UIMenu> m_menu;
    SafePtr<UITextureList> m_modelList;
    SafePtr<UITextureList> m_attachmentList;
    SafePtr<UIDropDownBox> m_boneBox;
    ZonePosition3 m_cameraTarget{-1, 1000.0f, 1000.0f, 0.0f};
    ZonePosition3 m_cameraEye{-1, 1000.0f, 1000.0f, 0.0f};
    Matrix3 m_rotation;
    std::string m_modelName;
    UserVarRef m_modelVar;
    ResourceHandle m_model;
    std::string m_attachmentName;
    UserVarRef m_attachmentVar;
    ResourceHandle m_attachment;
    UserVarRef m_showAttachmentVar;
    float m_attachmentScale = 1.0f;
    UserVarRef m_attachmentScaleVar;
    float m_zoom = 1.0f;
    int m_animation = 0;
    UserVarRef m_animationVar;
    int m_frameCount = 0;
    int m_frameRate = 20;
    bool m_playing = false;
    bool m_playOnce = false;
    UserVarRef m_frameVar;
    std::unique_ptr<PreviewEntity> m_modelEntity;
    std::unique_ptr<PreviewEntity> m_attachmentEntity;
    int m_currentTag = -1;
    int m_firstTag = -1;
    int m_lastTag = -1;
    UserVarRef m_tagNameVar;
    UserVarRef m_boneNameVar;
};
