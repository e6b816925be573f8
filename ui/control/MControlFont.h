// MControlFont: a control with a title, a font, a text colour, an alignment
// and a state-image strip (normal, hover, pressed, disabled by default).
#pragma once

#include "ui/backend/MFont.h"
#include "ui/control/MControl.h"

class MImage;

class MControlFont : public MControl {
public:
    MControlFont(MObject* parent, unsigned id, CRect rect, const char16_t* title, int visible = 1, int enabled = 1,
                 int response = 1);

    virtual void SetTextFont(const CString& name) { m_fontName = name; }
    virtual void SetTextColor(ARGB color) { m_textColor = color; }
    // Image strip from an application resource (see PaintManager).
    virtual void SetImage(unsigned resId, const CString& resType, int count);
    // Image strip from the skin folder.
    virtual void SetImage(const char16_t* file, int count);
    virtual void SetControlTitle(const char16_t* title);
    [[nodiscard]] virtual CString GetControlTitle() const;

    void InitControl(PaintManager* manager) override;

    void SetTitle(const char16_t* title) { SetControlTitle(title); }
    [[nodiscard]] CString GetTitle() const { return GetControlTitle(); }
    void SetAlignment(unsigned h) { m_hAlign = h; }
    void SetVAlignment(unsigned v) { m_vAlign = v; }
    void SetAlignment(unsigned h, unsigned v) { m_hAlign = h, m_vAlign = v; }
    void GetAlignment(unsigned& h, unsigned& v) const { h = m_hAlign, v = m_vAlign; }
    void SetFont(const char16_t* name, int size, int style = FontStyleRegular);
    void SetFontStyle(int style) { m_fontStyle = style; }
    [[nodiscard]] int GetFontStyle() const { return m_fontStyle; }
    [[nodiscard]] CString GetTextFont() const { return m_fontName; }
    void SetFontWidth(int size) { m_fontSize = size; }
    [[nodiscard]] int GetFontWidth() const { return m_fontSize; }
    // The family key text is drawn with (the global font).
    [[nodiscard]] CString GetFontFamily(const char16_t* name = nullptr);
    [[nodiscard]] MFont GetDrawFont() const;
    void SetTextRenderingHint(int hint) { m_renderingHint = hint; }
    [[nodiscard]] ARGB GetTextColor() const { return m_textColor; }
    void SetImageCount(int count);
    [[nodiscard]] CSize GetImageSize() const { return {m_frameWidth, m_frameHeight}; }
    [[nodiscard]] CString GetImagePath() const { return m_imagePath; }
    [[nodiscard]] MImage* GetImage() const { return m_image; }
    [[nodiscard]] int GetImageCount() const { return m_imageCount; }

protected:
    void LoadImageStrip();

    CString m_title;
    CString m_fontName;
    int m_fontSize = 14;
    std::atomic<ARGB> m_textColor{0xFFFFFFFF};
    int m_fontStyle = FontStyleRegular;
    unsigned m_hAlign = 0;
    unsigned m_vAlign = 4;
    int m_renderingHint = 5;
    MImage* m_image = nullptr;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    int m_imageCount = 4;
    CString m_imagePath;
    unsigned m_imageResId = 0;
    CString m_imageResType;
};
