#include "core/filereason.h"

#include "core/text.h"

#include <cerrno>
#include <iterator>

namespace pravelot {

namespace {

class FileKindCategory : public std::error_category {
public:
    const char *name() const noexcept override { return "pravelot file kind"; }
    std::string message(int e) const override
    {
        switch (static_cast<FileKindError>(e)) {
        case FileKindError::NamedPipe:
            return "is a named pipe (FIFO), not a file";
        case FileKindError::Socket:
            return "is a socket, not a file";
        case FileKindError::Device:
            return "is a device, not a file";
        case FileKindError::ReservedName:
            return "is a name Windows reserves for a device (CON, NUL, COM1 ...)";
        }
        return "is not a file";
    }
};

struct Phrase {
    std::errc code;
    const char16_t *text;
};

constexpr Phrase kPhrases[] = {
    {std::errc::no_such_file_or_directory, u"ファイルまたはフォルダが見つかりません"},
    {std::errc::permission_denied, u"アクセスが拒否されました"},
    {std::errc::operation_not_permitted, u"アクセスが拒否されました"},
    {std::errc::no_space_on_device, u"ディスクの空き容量が足りません"},
    {std::errc::read_only_file_system, u"読み取り専用のファイルシステムです"},
    {std::errc::is_a_directory, u"フォルダです"},
    {std::errc::not_a_directory, u"パスの途中にフォルダでないものがあります"},
    {std::errc::filename_too_long, u"名前が長すぎます"},
    {std::errc::too_many_symbolic_link_levels, u"シンボリックリンクが多すぎます"},
    {std::errc::io_error, u"入出力エラーが起きました"},
    {std::errc::file_too_large, u"ファイルが大きすぎます"},
    {std::errc::too_many_files_open, u"開いているファイルが多すぎます"},
    {std::errc::too_many_files_open_in_system, u"開いているファイルが多すぎます"},
    {std::errc::not_enough_memory, u"メモリが不足しています"},
    {std::errc::device_or_resource_busy, u"ほかのプログラムが使用中です"},
    {std::errc::file_exists, u"同じ名前のものが既にあります"},
    {std::errc::not_supported, u"この操作はできません"},
    {std::errc::broken_pipe, u"書き込み先が閉じられました"},
    {std::errc::invalid_argument, u"名前が正しくありません"},
};

} // namespace

const std::error_category &fileKindCategory()
{
    static const FileKindCategory category;
    return category;
}

std::error_code make_error_code(FileKindError e)
{
    return {static_cast<int>(e), fileKindCategory()};
}

std::u16string reasonInJapanese(const std::error_code &error)
{
    if (error.category() == fileKindCategory()) {
        switch (static_cast<FileKindError>(error.value())) {
        case FileKindError::NamedPipe:
            return u"名前付きパイプ(FIFO)です";
        case FileKindError::Socket:
            return u"ソケットです";
        case FileKindError::Device:
            return u"デバイスです";
        case FileKindError::ReservedName:
            return u"Windows がデバイス用に予約している名前です";
        }
    }
#ifdef EDQUOT
    if (error == std::error_code(EDQUOT, std::generic_category()) ||
        error == std::error_code(EDQUOT, std::system_category()))
        return u"ディスクの使用量が上限に達しました";
#endif
    for (const Phrase &p : kPhrases)
        if (error == p.code)
            return p.text;
    // The system's own text may be in any code page: the number is what can be read.
    return u"システムのエラー " + fromUtf8(std::to_string(error.value()));
}

} // namespace pravelot
