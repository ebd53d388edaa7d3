#include "editors/ModelEditor.h"

#include "engine/console/CommandRecord.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/SkeletonResource.h"
#include "graphics/GraphicsSystem.h"
#include "ui/widgets/PreviewEntity.h"

#include <algorithm>
#include <cmath>

namespace {

std::string parentName(const ModelResource& model, int tag)
{
    int parent = -1;
    Vec3 offset;
    Quaternion rotation;
    if (!model.getAttachPoint(tag, parent, offset, rotation) || parent < 0) {
        return std::string();
    }
    return model.getBoneName(parent);
}

float dot(const Vec3& a, const float row[3])
{
    return a.x * row[0] + a.y * row[1] + a.z * row[2];
}

} // namespace

Vec3 ModelEditor::cameraLeft() const
{
    const Matrix3 camera = cameraRotation();
    return Vec3(camera.m[1][0], camera.m[1][1], camera.m[1][2]);
}

Vec3 ModelEditor::cameraForward() const
{
    const Matrix3 camera = cameraRotation();
    Vec3 forward(camera.m[0][0], camera.m[0][1], 0.0f);
    const float length = std::sqrt(forward.x * forward.x + forward.y * forward.y);
    return length > 0.0f ? Vec3(forward.x / length, forward.y / length, 0.0f) : Vec3(1.0f, 0.0f, 0.0f);
}

void ModelEditor::moveTag(const Vec3& direction)
{
    ModelResource* model = getModel();
    int parent = -1;
    Vec3 offset;
    Quaternion rotation;
    // A tag without a bone of this skeleton has nothing to move relative to.
    if (!model || m_currentTag < 0 || !model->getAttachPoint(m_currentTag, parent, offset, rotation) ||
        parent < 0) {
        return;
    }
    ZonePosition3 tagPosition, bonePosition;
    Matrix3 tagTurn, boneTurn;
    if (!m_modelEntity->getTagTransform(m_currentTag, tagPosition, tagTurn) ||
        !m_modelEntity->getTagTransform(parent, bonePosition, boneTurn)) {
        return;
    }
    const Vec3 moved(tagPosition.x + direction.x - bonePosition.x,
                     tagPosition.y + direction.y - bonePosition.y,
                     tagPosition.z + direction.z - bonePosition.z);
    // World offsets are the stored offset turned by the bone (rows) and scaled.
    const float scale = m_modelEntity->getScale() > 0.0f ? m_modelEntity->getScale() : 1.0f;
    const Vec3 local(dot(moved, boneTurn.m[0]) / scale, dot(moved, boneTurn.m[1]) / scale,
                     dot(moved, boneTurn.m[2]) / scale);
    model->setAttachPoint(m_currentTag, parent, local, rotation);
}

void ModelEditor::turnTag(float yaw, float pitch, float roll)
{
    ModelResource* model = getModel();
    int parent = -1;
    Vec3 offset;
    Quaternion rotation;
    if (!model || m_currentTag < 0 || !model->getAttachPoint(m_currentTag, parent, offset, rotation) ||
        parent < 0) {
        return;
    }
    ZonePosition3 tagPosition, bonePosition;
    Matrix3 tagTurn, boneTurn, boneInverse;
    if (!m_modelEntity->getTagTransform(m_currentTag, tagPosition, tagTurn) ||
        !m_modelEntity->getTagTransform(parent, bonePosition, boneTurn) ||
        !invertMatrix3(boneTurn, boneInverse)) {
        return;
    }
    Matrix3 turned = multiplyMatrix3(eulerToMatrix(yaw, pitch, roll), tagTurn);
    orthonormalizeMatrix(turned);
    // The world turn is the tag's own turn followed by the bone's.
    Matrix3 local = multiplyMatrix3(turned, boneInverse);
    orthonormalizeMatrix(local);
    model->setAttachPoint(m_currentTag, parent, offset, matrixToQuaternion(local));
}

void ModelEditor::stepTag(int step)
{
    if (m_currentTag < 0 || !getModel()) {
        return;
    }
    m_currentTag += step;
    if (m_currentTag < m_firstTag) {
        m_currentTag = m_lastTag;
    } else if (m_currentTag > m_lastTag) {
        m_currentTag = m_firstTag;
    }
    showTagVariables();
}

void ModelEditor::addTag()
{
    ModelResource* model = getModel();
    if (!model) {
        return;
    }
    model->addTag();
    if (m_lastTag == -1) {
        m_firstTag = std::max(model->getFirstTagIndex(), 0);
        m_lastTag = m_firstTag;
    } else {
        ++m_lastTag;
    }
    m_currentTag = m_lastTag;
    showTagVariables();
}

void ModelEditor::deleteTag()
{
    ModelResource* model = getModel();
    if (!model || m_currentTag < 0) {
        return;
    }
    model->removeTag(m_currentTag);
    takeTagRange();
    showTagVariables();
}

bool ModelEditor::saveTags()
{
    const ModelResource* model = getModel();
    return model && model->saveTags();
}

void ModelEditor::showTagVariables()
{
    const ModelResource* model = getModel();
    const bool tag = model && m_currentTag >= 0;
    if (m_tagNameVar.isValid() && userVarsReady()) {
        m_tagNameVar.setString(tag ? model->getAttachPointName(m_currentTag) : std::string());
    }
    if (m_boneNameVar.isValid() && userVarsReady()) {
        m_boneNameVar.setString(tag ? parentName(*model, m_currentTag) : std::string());
    }
}

void ModelEditor::copyTagVariables()
{
    ModelResource* model = getModel();
    if (!model || m_currentTag < 0 || !userVarsReady() || !m_tagNameVar.isValid() ||
        !m_boneNameVar.isValid()) {
        return;
    }
    const std::string name = m_tagNameVar.getString();
    const std::string current = model->getAttachPointName(m_currentTag);
    if (name != current && !model->renameAttachPoint(m_currentTag, name)) {
        // Set back, so the refused name is not tried again every frame.
        debugPrint(2, "The tag name \"%s\" cannot be stored in a tags file\n", name.c_str());
        m_tagNameVar.setString(current);
    }
    const std::string bone = m_boneNameVar.getString();
    const std::string parent = parentName(*model, m_currentTag);
    if (bone != parent) {
        const SkeletonResource* skeleton = model->getSkeleton();
        const int index = skeleton ? skeleton->findBone(bone) : -1;
        if (index >= 0) {
            model->setTagParentBone(m_currentTag, skeleton->getBoneName(index));
            m_boneNameVar.setString(skeleton->getBoneName(index));
        } else {
            debugPrint(2, "\"%s\" is no bone of %s; the tag keeps its parent\n", bone.c_str(),
                       m_modelName.c_str());
            m_boneNameVar.setString(parent);
        }
    }
}

void ModelEditor::listBones(std::vector<ListEntry>& list) const
{
    const ModelResource* model = getModel();
    for (int i = 0; model && i < model->getNumBones(); ++i) {
        ListEntry row;
        row.name = model->getBoneName(i);
        row.value = row.name;
        list.push_back(row);
    }
}
