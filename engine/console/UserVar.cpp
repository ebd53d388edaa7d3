#include "engine/console/UserVar.h"

#include "engine/core/StringUtil.h"

#include <climits>
#include <cmath>
#include <cstdlib>

UserVar::UserVar(std::string name, std::string defaultText) : m_name(std::move(name))
{
    m_default = defaultText;
    m_hasDefault = true;
    m_text = std::move(defaultText);
    m_int = textToInt(m_text);
    m_float = textToFloat(m_text);
}

void UserVar::setValue(const std::string& text)
{
    m_text = text;
    m_int = textToInt(m_text);
    m_float = textToFloat(m_text);
    m_changed = true;
    if (m_hook) {
        m_hook(*this);
    }
}

void UserVar::setDefault(const std::string& text)
{
    m_default = text;
    m_hasDefault = true;
}
