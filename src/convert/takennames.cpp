#include "convert/takennames.h"

#include "core/path.h"
#include "core/text.h"

#include <algorithm>

namespace pravelot {

std::u16string foldedName(std::u16string_view name)
{
    // Names of plain ASCII, the usual case, skip the full case mapping, which gives the
    // same for them.
    if (std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x80; })) {
        std::u16string out(name);
        for (char16_t &c : out)
            if (c >= u'a' && c <= u'z')
                c = static_cast<char16_t>(c - u'a' + u'A');
        return out;
    }
    return StrUpper(name);
}

TakenNames::Folder &TakenNames::current(const std::u16string &folder)
{
    const std::u16string listed = folder.empty() ? std::u16string(u".") : folder;
    Folder &f = m_folders[listed];
    const std::optional<FileIdentity> now = fileIdentityOf(listed);
    if (!f.seen || !now || now != f.seen) {
        f.folded.clear();
        for (const std::u16string &name : folderEntryNames(listed))
            f.folded.insert(foldedName(name));
        f.seen = now;
    }
    return f;
}

bool TakenNames::taken(const std::u16string &path)
{
    if (pathTakenSafe(path))
        return true;
    const std::u16string folder = folderOf(path);
    return current(folder).folded.contains(
        foldedName(std::u16string_view(path).substr(folder.size())));
}

void TakenNames::placed(const std::u16string &path)
{
    const std::u16string folder = folderOf(path);
    const auto it = m_folders.find(folder.empty() ? std::u16string(u".") : folder);
    if (it == m_folders.end() || !it->second.seen)
        return;
    // The folder's change is taken to be this output's alone, so that a run into one
    // folder lists it once, not once a file. A name that another program gave a file
    // there while this one was written is missed by the letter-case rule (never by the
    // exact one, which the system answers).
    it->second.folded.insert(foldedName(std::u16string_view(path).substr(folder.size())));
    it->second.seen = fileIdentityOf(it->first);
}

} // namespace pravelot
