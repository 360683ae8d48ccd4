// The commands' named pipe on Windows. Pipe names are seen by every user
// of the machine, so the name carries the user's security identifier, the
// pipe's access list grants this user alone (checked after it is made),
// and a named mutex of the user's session tells a live window from none.
#include <QLocalServer>
#include <memory>

#include "app/CommandEndpoint.h"
#include "app/RemoteCommands.h"

#include <windows.h>
// After windows.h.
#include <aclapi.h>
#include <sddl.h>

namespace tess {
namespace {

// The user's security identifier as text ("S-1-5-21-..."), empty when
// it cannot be read.
QString UserSid(std::unique_ptr<char[]>& buffer) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    buffer = std::make_unique<char[]>(size ? size : 1);
    QString text;
    wchar_t* sid = nullptr;
    if (size && ::GetTokenInformation(token, TokenUser, buffer.get(), size, &size) &&
        ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid, &sid)) {
        text = QString::fromWCharArray(sid);
        ::LocalFree(sid);
    }
    ::CloseHandle(token);
    return text;
}

// Whether every entry that grants access to the pipe names `user`.
bool GrantsUserAlone(const QString& pipe, PSID user) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const std::wstring name = pipe.toStdWString();
    if (::GetNamedSecurityInfoW(name.c_str(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    if (descriptor) ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    // A list that is present but empty of entries (a null list) grants
    // everyone. Windows always keeps one for a pipe; Wine keeps none at all,
    // not even a
    // descriptor, and there is nothing to check.
    bool alone = !present || dacl != nullptr;
    for (DWORD i = 0; alone && dacl && i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(dacl, i, &entry)) {
            alone = false;
        } else if (static_cast<ACE_HEADER*>(entry)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
            alone = ::EqualSid(reinterpret_cast<PSID>(&allowed->SidStart), user);
        }
    }
    if (descriptor) ::LocalFree(descriptor);
    return alone;
}

}  // namespace

QString CommandSocketPath(bool, QString& error) {
    std::unique_ptr<char[]> buffer;
    const QString sid = UserSid(buffer);
    if (sid.isEmpty()) {
        error = QStringLiteral("cannot read this user's security identifier");
        return {};
    }
    return QStringLiteral("tessaline-0003-%1").arg(sid);
}

bool ListenForCommands(QLocalServer& server, const QString& path, QString& error,
                       std::shared_ptr<void>& claim) {
    const std::wstring mutexName = (QStringLiteral("Local\\") + path).toStdWString();
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, mutexName.c_str());
    if (!mutex) {
        error = QStringLiteral("cannot make the mutex '%1'").arg(QString::fromStdWString(mutexName));
        return false;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        error = QStringLiteral("another Tessaline window takes the commands");
        return false;
    }
    std::shared_ptr<void> held(mutex, [](void* handle) { ::CloseHandle(handle); });
    server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server.listen(path)) {
        error = server.errorString();
        return false;
    }
    const QString pipe = QStringLiteral("\\\\.\\pipe\\") + path;
    std::unique_ptr<char[]> buffer;
    if (UserSid(buffer).isEmpty() ||
        !GrantsUserAlone(pipe, reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid)) {
        server.close();
        error = QStringLiteral("the pipe '%1' is open to other users").arg(pipe);
        return false;
    }
    claim = std::move(held);
    return true;
}

// A pipe in use by another user is refused when listening (its access
// list is checked there); the client has nothing more to look at.
bool ForeignCommandPlace(const QString&) { return false; }

}  // namespace tess
