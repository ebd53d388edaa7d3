#include "engine/console/UserVar.h"

#include <cstdlib>

UserVar::UserVar(std::string name, std::string defaultText) : m_name(std::move(name))
{
    m_default = defaultText;
    m_hasDefault = true;
    m_text = std::move(defaultText);
    m_int = std::atoi(m_text.c_str());
    m_float = static_cast<float>(std::atof(m_text.c_str()));
}

void UserVar::setValue(const std::string& text)
{
    m_text = text;
    m_int = std::atoi(m_text.c_str());
    m_float = static_cast<float>(std::atof(m_text.c_str()));
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
