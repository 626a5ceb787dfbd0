// The source list as small pictures ("サムネイル"): each listed part drawn small with its
// name, in rows that follow the width of the view.
#pragma once

#include <QListView>

namespace pravelot {

class SourceListModel;
class ThumbnailCache;

class ThumbnailView : public QListView {
    Q_OBJECT
public:
    // The size of each picture, in logical pixels.
    static constexpr int kPictureWidth = 112;
    static constexpr int kPictureHeight = 84;

    explicit ThumbnailView(QWidget *parent = nullptr);

    // Shows the files of model; the placeholder row of an empty list shows nothing.
    void setSourceModel(SourceListModel *model);
    ThumbnailCache &cache() const { return *m_cache; }

private:
    void hidePlaceholder();

    SourceListModel *m_model = nullptr;
    ThumbnailCache *m_cache = nullptr;
};

} // namespace pravelot
