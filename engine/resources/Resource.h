#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Base of every loaded resource. An object belongs to its resource entry and
// is deleted when the entry is unloaded or reloaded. A type registered with
// the keep flag hands its file image to the object, which frees it with
// itself.
class Resource {
public:
    Resource() = default;
    virtual ~Resource();
    Resource(const Resource&) = delete;
    Resource& operator=(const Resource&) = delete;

    // One line about the object (no line end): file name and what it holds.
    virtual std::string describe() const;
    // Prints describe() as one log line.
    void printInfo() const;
    virtual int getSubType() const { return 0; }

    const std::string& getFileName() const { return m_fileName; }
    void setFileName(const std::string& name) { m_fileName = name; }

    // True for the stand-in object of a file that could not be read.
    bool isPlaceholder() const { return m_placeholder; }
    void setPlaceholder(bool on) { m_placeholder = on; }

    // Keeps a copy of the file image, counted in the memory category
    // (1 General … 4 Music) until the object goes.
    void keepImage(const uint8_t* data, size_t size, int memoryCategory);
    bool keepsImage() const { return m_keepImage; }
    const uint8_t* getImage() const { return m_image; }
    size_t getImageSize() const { return m_imageSize; }

private:
    std::string m_fileName;
    uint8_t* m_image = nullptr;
    size_t m_imageSize = 0;
    bool m_keepImage = false;
    bool m_placeholder = false;
};
