#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "win/platform/installation_lock_name.h"
#include "win/platform/installation_lock_object.h"
#include "win/platform/win32_installation_lock.h"

namespace {

using Distrust = InstallationLock::Distrust;

// Who an owner or an access-list entry names; Nobody: no owner is set (the maker's token
// then gives one, under Wine never the administrators).
enum class Who { Administrators, System, Everyone, Users, AUser, Nobody };

struct Sid {
    explicit Sid(Who who) {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY, world = SECURITY_WORLD_SID_AUTHORITY;
        const DWORD builtin = SECURITY_BUILTIN_DOMAIN_RID;
        if (who == Who::Administrators) ::AllocateAndInitializeSid(&nt, 2, builtin, 544, 0, 0, 0, 0, 0, 0, &sid);
        if (who == Who::Users) ::AllocateAndInitializeSid(&nt, 2, builtin, 545, 0, 0, 0, 0, 0, 0, &sid);
        if (who == Who::System) ::AllocateAndInitializeSid(&nt, 1, 18, 0, 0, 0, 0, 0, 0, 0, &sid);
        if (who == Who::Everyone) ::AllocateAndInitializeSid(&world, 1, 0, 0, 0, 0, 0, 0, 0, 0, &sid);
        if (who == Who::AUser) ::AllocateAndInitializeSid(&nt, 5, 21, 11, 22, 33, 1001, 0, 0, 0, &sid);
    }
    ~Sid() {
        if (sid != nullptr) ::FreeSid(sid);
    }
    Sid(const Sid&) = delete;
    Sid& operator=(const Sid&) = delete;
    PSID sid = nullptr;
};

struct Entry {
    bool allows;
    Who who;
    DWORD access;
};

// An owner and an access list, as a descriptor that a mutex can be made with.
class Descriptor {
public:
    Descriptor(Who owner, bool hasAccessList, const std::vector<Entry>& entries) : owner_(owner) {
        acl_.resize(1024);
        auto* acl = reinterpret_cast<PACL>(acl_.data());
        EXPECT_TRUE(::InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION));
        for (const Entry& entry : entries) {
            const Sid sid(entry.who);
            EXPECT_TRUE(entry.allows ? ::AddAccessAllowedAce(acl, ACL_REVISION, entry.access, sid.sid)
                                     : ::AddAccessDeniedAce(acl, ACL_REVISION, entry.access, sid.sid));
        }
        ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION);
        ::SetSecurityDescriptorDacl(&descriptor_, TRUE, hasAccessList ? acl : nullptr, FALSE);
        if (owner_.sid != nullptr) ::SetSecurityDescriptorOwner(&descriptor_, owner_.sid, FALSE);
    }
    PSID owner() const { return owner_.sid; }
    const ACL* dacl() const {
        BOOL present = FALSE, defaulted = FALSE;
        PACL dacl = nullptr;
        ::GetSecurityDescriptorDacl(const_cast<SECURITY_DESCRIPTOR*>(&descriptor_), &present, &dacl, &defaulted);
        return dacl;
    }
    SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

private:
    Sid owner_;
    std::vector<BYTE> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{sizeof attributes_, &descriptor_, FALSE};
};

struct ObjectCase {
    const char* name;
    Who owner;
    bool hasAccessList;
    std::vector<Entry> entries;
    Distrust expected;
};

const std::vector<Entry> kOurs = {{true, Who::Administrators, MUTEX_ALL_ACCESS}, {true, Who::System, MUTEX_ALL_ACCESS}};

const ObjectCase kObjectCases[] = {
    {"AsKestrinMakesIt", Who::Administrators, true, kOurs, Distrust::None},
    {"OwnedByTheSystemAccount", Who::System, true, kOurs, Distrust::None},
    {"ADenialLetsNoOneIn",
     Who::Administrators,
     true,
     {{false, Who::AUser, MUTEX_ALL_ACCESS}, {true, Who::Administrators, MUTEX_ALL_ACCESS}},
     Distrust::None},
    {"NoAccessList", Who::Administrators, false, {}, Distrust::NoAccessList},
    {"NoAccessListAndAUsersOwn", Who::AUser, false, {}, Distrust::NoAccessList},
    {"EveryoneMayWaitForIt",
     Who::Administrators,
     true,
     {{true, Who::Administrators, MUTEX_ALL_ACCESS}, {true, Who::Everyone, SYNCHRONIZE}},
     Distrust::OpenToOthers},
    {"TheUsersGroupLetIn",
     Who::Administrators,
     true,
     {{true, Who::Users, MUTEX_ALL_ACCESS}, {true, Who::System, MUTEX_ALL_ACCESS}},
     Distrust::OpenToOthers},
    {"OwnedByAUser", Who::AUser, true, kOurs, Distrust::ForeignOwner},
    {"WithoutAnOwner", Who::Nobody, true, kOurs, Distrust::ForeignOwner},
};

class LockObjectTest : public testing::TestWithParam<ObjectCase> {};

TEST_P(LockObjectTest, IsTakenOnlyWhenTheAdministratorsOrTheSystemAccountMadeIt) {
    const ObjectCase& c = GetParam();
    Descriptor descriptor(c.owner, c.hasAccessList, c.entries);
    EXPECT_EQ(JudgeLockObject(descriptor.owner(), descriptor.dacl()), c.expected);

    // The same, made first under the lock's global name (where the system has no private
    // namespaces, as on XP and under Wine): never waited for, and the distrust says why.
    const UniqueProcessHandle made(::CreateMutexW(descriptor.attributes(), TRUE, kInstallationMutexName));
    ASSERT_TRUE(made) << "error " << ::GetLastError();
    Win32InstallationLock lock;
    InstallationLock::Trouble trouble;
    const InstallationLock::State state = lock.TryTake(trouble);
    if (c.expected == Distrust::None) {
        // Held by this thread, so taken again at once.
        EXPECT_EQ(state, InstallationLock::State::Taken);
        lock.Release();
    } else {
        EXPECT_EQ(state, InstallationLock::State::Unavailable);
        EXPECT_EQ(trouble.distrust, c.expected);
    }
    ::ReleaseMutex(made.get());
}

INSTANTIATE_TEST_SUITE_P(Objects, LockObjectTest, testing::ValuesIn(kObjectCases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
