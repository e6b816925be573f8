#include "ui/control/MControlFont.h"

#include <algorithm>

#include "ui/backend/MImage.h"
#include "ui/core/Manager.h"
#include "ui/core/PaintManager.h"

MControlFont::MControlFont(MObject* parent, unsigned id, CRect rect, const char16_t* title, int visible, int enabled,
                           int response)
    : MControl(parent, id, rect, visible, enabled, response),
      m_title(title),
      m_fontName(Manager::GetFontName()),
      m_fontSize(Manager::GetFontWidth()) {}

void MControlFont::InitControl(PaintManager*) {
    if (!m_image && (!m_imagePath.IsEmpty() || m_imageResId)) LoadImageStrip();
}

void MControlFont::LoadImageStrip() {
    if (!m_manager) return;
    ImgResInfo* info = m_imageResId ? m_manager->AddImgResInfo(m_imageResId, m_imageResType, m_imageCount, 1)
                                    : m_manager->AddImgResInfo(m_imagePath.c_str(), m_imageCount);
    m_image = info ? info->image : nullptr;
    m_frameWidth = info ? info->frameWidth : 0;
    m_frameHeight = info ? info->frameHeight : 0;
}

void MControlFont::SetImage(unsigned resId, const CString& resType, int count) {
    m_imageResId = resId;
    m_imageResType = resType;
    m_imageCount = std::max(1, count);
    m_imagePath.Empty();
    LoadImageStrip();
    UpdateControl(1, 0);
}

void MControlFont::SetImage(const char16_t* file, int count) {
    m_imagePath = file;
    m_imageResId = 0;
    m_imageCount = std::max(1, count);
    m_image = nullptr;
    m_frameWidth = m_frameHeight = 0;
    if (!m_imagePath.IsEmpty()) LoadImageStrip();
    UpdateControl(1, 0);
}

void MControlFont::SetControlTitle(const char16_t* title) {
    std::lock_guard guard(m_stateLock);
    m_title = title;
}

CString MControlFont::GetControlTitle() const {
    std::lock_guard guard(m_stateLock);
    return m_title;
}

void MControlFont::SetFont(const char16_t* name, int size, int style) {
    if (name) m_fontName = name;
    m_fontSize = size;
    m_fontStyle = style;
}

CString MControlFont::GetFontFamily(const char16_t*) {
    return m_manager ? m_manager->FindTempFont(m_fontName) : Manager::GetFontName();
}

MFont MControlFont::GetDrawFont() const {
    return {Manager::GetFontName(), m_fontSize, m_fontStyle};
}

void MControlFont::SetImageCount(int count) {
    m_imageCount = std::max(1, count);
    if (m_image) m_frameWidth = m_image->GetWidth() / m_imageCount;
}
