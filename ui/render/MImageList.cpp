#include "ui/render/MImageList.h"

#include <algorithm>

#include "ui/backend/MCanvas.h"
#include "ui/backend/MImage.h"

MImageList::~MImageList() = default;

std::unique_ptr<_M_IAMGELIST> MImageList::MakeEntry(const char16_t* path, int id, int count) {
    auto entry = std::make_unique<_M_IAMGELIST>();
    entry->path = path;
    entry->id = id;
    entry->count = std::max(1, count);
    entry->image = MImage::FromFile(entry->path.ToUtf8());
    if (entry->image) {
        entry->frameWidth = entry->image->GetWidth() / entry->count;
        entry->frameHeight = entry->image->GetHeight();
    }
    return entry;
}

int MImageList::AddImage(const char16_t* path, int id, int count) {
    if (!path) return -1;
    auto entry = MakeEntry(path, id, count);
    std::lock_guard guard(m_lock);
    m_images.push_back(std::move(entry));
    return static_cast<int>(m_images.size()) - 1;
}

int MImageList::InsertImage(int position, const char16_t* path, int id, int count) {
    if (!path) return -1;
    if (position == -1) return AddImage(path, id, count);
    auto entry = MakeEntry(path, id, count);
    std::lock_guard guard(m_lock);
    if (position < 0 || position >= static_cast<int>(m_images.size())) return -1;
    m_images.insert(m_images.begin() + position, std::move(entry));
    return -1;
}

void MImageList::DrawItemIcon(HDC hdc, CRect rc, int index) {
    DrawItemIcon(hdc, rc, index, 0);
}

void MImageList::DrawItemIcon(HDC hdc, CRect rc, int index, int state) {
    MImage* image = nullptr;
    int frameWidth = 0;
    int frameHeight = 0;
    int count = 1;
    {
        std::lock_guard guard(m_lock);
        if (index < 0 || index >= static_cast<int>(m_images.size())) return;
        const auto& e = m_images[static_cast<size_t>(index)];
        image = e->image.get();
        frameWidth = e->frameWidth;
        frameHeight = e->frameHeight;
        count = e->count;
    }
    // Drawn after the lock is released (entries live until DelAllImages).
    if (!hdc || !image || frameWidth <= 0) return;
    const int frame = std::clamp(state, 0, count - 1);
    hdc->DrawImage(image, rc, CRect(frame * frameWidth, 0, (frame + 1) * frameWidth, frameHeight));
}

_M_IAMGELIST* MImageList::GetItemImageData(int index) {
    std::lock_guard guard(m_lock);
    if (index < 0 || index >= static_cast<int>(m_images.size())) return nullptr;
    return m_images[static_cast<size_t>(index)].get();
}

_M_IAMGELIST* MImageList::GetImageDataByID(int id) {
    std::lock_guard guard(m_lock);
    for (auto& e : m_images)
        if (e->id == id) return e.get();
    return nullptr;
}

CString MImageList::GetImagePath(int index) {
    _M_IAMGELIST* e = GetItemImageData(index);
    return e ? e->path : CString();
}

CString MImageList::GetImagePathByID(int id) {
    _M_IAMGELIST* e = GetImageDataByID(id);
    return e ? e->path : CString();
}

int MImageList::GetImageCount() {
    std::lock_guard guard(m_lock);
    return static_cast<int>(m_images.size());
}

void MImageList::DelAllImages() {
    std::lock_guard guard(m_lock);
    m_images.clear();
}
