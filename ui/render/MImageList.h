// MImageList: a list of image strips (path, id, frame count) drawn by index
// and state. Paths are used as given (not relative to the skin folder); an
// image that does not load still takes its place, with no image.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "ui/base/CString.h"
#include "ui/core/Types.h"

class MImage;

struct _M_IAMGELIST {
    std::unique_ptr<MImage> image;
    int frameWidth = 0;
    int frameHeight = 0;
    int id = 0;
    int count = 1;
    CString path;
};

class MImageList {
public:
    MImageList() = default;
    ~MImageList();
    MImageList(const MImageList&) = delete;
    MImageList& operator=(const MImageList&) = delete;

    // Appends; returns the new position.
    int AddImage(const char16_t* path, int id, int count);
    // -1 appends (returns the new position); a valid position inserts there
    // (returns -1); anything else, or a null path, returns -1.
    int InsertImage(int position, const char16_t* path, int id, int count);
    // Frame 0 stretched into rc.
    void DrawItemIcon(HDC hdc, CRect rc, int index);
    // Frame min(state, count - 1) stretched into rc.
    void DrawItemIcon(HDC hdc, CRect rc, int index, int state);
    void SetDrawImgSize(int w, int h) { m_drawWidth = w, m_drawHeight = h; }
    [[nodiscard]] CSize GetIconSize() const { return {m_drawWidth, m_drawHeight}; }
    [[nodiscard]] _M_IAMGELIST* GetItemImageData(int index);
    [[nodiscard]] _M_IAMGELIST* GetImageDataByID(int id);
    [[nodiscard]] CString GetImagePath(int index);
    [[nodiscard]] CString GetImagePathByID(int id);
    [[nodiscard]] int GetImageCount();
    void DelAllImages();

private:
    std::unique_ptr<_M_IAMGELIST> MakeEntry(const char16_t* path, int id, int count);

    std::vector<std::unique_ptr<_M_IAMGELIST>> m_images;
    std::mutex m_lock;
    int m_drawWidth = 0;
    int m_drawHeight = 0;
};
