#include "convert/sourcetree.h"

#include "convert/folderlisting.h"
#include "core/file.h"
#include "core/path.h"

#include <algorithm>
#include <set>
#include <utility>

namespace pravelot {

namespace {

bool isSeparator(char16_t c)
{
#ifdef _WIN32
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

bool isFigureName(std::u16string_view name)
{
    const std::u16string ext = FileExtLower(name);
    return ext == u".jws" || ext == u".jwk";
}

} // namespace

// As `cp -r parts OUT` makes OUT/parts, and copies the contents of ".", ".." or a root
// into OUT itself.
std::u16string ownFolderPart(std::u16string_view folder)
{
    while (folder.size() > 1 && isSeparator(folder.back()))
        folder.remove_suffix(1);
    const std::u16string name = FileNameOf(folder);
    if (name.empty() || name == u"." || name == u".." || isSeparator(name.back()))
        return {};
    return name + kPathDelim;
}

namespace {

// A folder still to be listed: its path as the user would write it, and its part of
// the outputs' relative folders.
struct Pending {
    std::u16string path;
    std::u16string relative;
};

class Walk {
public:
    Walk(SourceTree &tree, const std::function<bool()> &stop) : m_tree(tree), m_stop(stop) {}

    bool stopAsked()
    {
        if (!m_tree.stopped && m_stop && m_stop())
            m_tree.stopped = true;
        return m_tree.stopped;
    }

    // Lists one folder into the tree; its sub-folders go onto pending, the first to be
    // walked on top.
    void visit(const Pending &folder, std::vector<Pending> &pending)
    {
        // A folder met again (a mount of a folder inside itself) is walked once.
        if (const std::optional<FileIdentity> id = fileIdentityOf(folder.path))
            if (!m_seen.emplace(id->dev, id->ino).second) {
                m_tree.notFollowed.push_back(folder.path);
                return;
            }
        m_entries.clear();
        std::error_code error;
        const std::function<bool()> stop = [this] { return stopAsked(); };
        if (!listFolder(folder.path, m_entries, error, stop))
            m_tree.unreadable.push_back({folder.path, error});
        if (m_tree.stopped)
            return;
        std::sort(m_entries.begin(), m_entries.end(),
                  [](const FolderEntry &a, const FolderEntry &b) { return a.name < b.name; });
        const std::u16string prefix = AddPathDelim(folder.path);
        const std::size_t firstSub = pending.size();
        for (FolderEntry &e : m_entries) {
            std::u16string path = prefix + e.name;
            if (e.kind == FolderEntry::Kind::File) {
                if (isFigureName(e.name))
                    m_tree.sources.push_back({std::move(path), folder.relative});
                else
                    ++m_tree.otherFiles;
            } else if (e.kind == FolderEntry::Kind::LinkedFolder || e.name.starts_with(u'.')) {
                m_tree.notFollowed.push_back(std::move(path));
            } else {
                pending.push_back({std::move(path), folder.relative + e.name + kPathDelim});
            }
        }
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(firstSub), pending.end());
    }

private:
    SourceTree &m_tree;
    const std::function<bool()> &m_stop;
    std::vector<FolderEntry> m_entries;
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_seen;
};

} // namespace

SourceTree findSources(const std::u16string &folder, const std::function<bool()> &stop)
{
    SourceTree tree;
    Walk walk(tree, stop);
    // Depth first without recursion, so that no depth of folders can exhaust the stack.
    std::vector<Pending> pending{{folder, ownFolderPart(folder)}};
    while (!pending.empty() && !walk.stopAsked()) {
        const Pending next = std::move(pending.back());
        pending.pop_back();
        walk.visit(next, pending);
    }
    return tree;
}

} // namespace pravelot
