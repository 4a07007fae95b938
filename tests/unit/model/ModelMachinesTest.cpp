// The model's machines: creation through the factories, idleness, and when a loader machine may be replaced or dropped.
#include "model/Model.h"
#include "platform/LastError.h"

#include <memory>
#include <optional>
#include <string>

#include "FakeSerialPort.h"
#include "FakeStateMachines.h"
#include "FakeTimerHost.h"
#include "MemorySettingsStore.h"

#include <gtest/gtest.h>

namespace {

// A model whose factories hand out fake machines and remember the last ones made.
struct MachinesFixture {
    MachinesFixture()
    {
        model.emplace(timers, std::make_unique<FakeSerialPort>(), std::make_unique<MemorySettingsStore>(),
                      [this](CModelBase& owner) {
                          EXPECT_EQ(&owner, &*model);
                          ++contactsMade;
                          auto machine = std::make_unique<FakeContactMachine>();
                          contact = machine.get();
                          machine->onDestroy = [this] { ++contactsDestroyed; };
                          return machine;
                      });
        model->SetLoaderMachineFactory([this](CModelBase& owner) -> std::unique_ptr<ILoaderStateMachine> {
            EXPECT_EQ(&owner, &*model);
            if (loaderFails)
                return nullptr;
            auto machine = std::make_unique<FakeLoaderMachine>();
            loader = machine.get();
            machine->onDestroy = [this] { ++loadersDestroyed; };
            machine->onRelease = [this, m = machine.get()] { model->ReleaseLoaderMachine(m); };
            return machine;
        });
    }

    FakeTimerHost timers;
    std::optional<CModel> model;
    FakeContactMachine* contact = nullptr;
    FakeLoaderMachine* loader = nullptr;
    int contactsMade = 0;
    int contactsDestroyed = 0;
    int loadersDestroyed = 0;
    bool loaderFails = false;
};

TEST(ModelMachinesTest, TheModelCreatesItsContactMachineAtConstruction)
{
    MachinesFixture f;
    EXPECT_EQ(f.contactsMade, 1);
    ASSERT_NE(f.contact, nullptr);
    EXPECT_EQ(f.model->ContactMachine(), f.contact);
    EXPECT_EQ(f.model->LoaderMachine(), nullptr);
    EXPECT_TRUE(f.model->AreMachinesIdle());

    // A running contact machine is never replaced; an idle one is.
    f.contact->complete = false;
    EXPECT_FALSE(f.model->CreateContactMachine());
    EXPECT_EQ(f.contactsDestroyed, 0);
    f.contact->complete = true;
    EXPECT_TRUE(f.model->CreateContactMachine());
    EXPECT_EQ(f.contactsDestroyed, 1);
    EXPECT_EQ(f.contactsMade, 2);
}

TEST(ModelMachinesTest, WithoutAFactoryThereIsNoContactMachine)
{
    FakeTimerHost timers;
    CModel model(timers, std::make_unique<FakeSerialPort>(), std::make_unique<MemorySettingsStore>());
    EXPECT_EQ(model.ContactMachine(), nullptr);
    EXPECT_FALSE(model.CreateContactMachine());
    EXPECT_TRUE(model.AreMachinesIdle());
    SetLastErrorCode(0);
    EXPECT_EQ(model.CreateLoaderMachine(), nullptr);
    EXPECT_NE(GetLastErrorCode(), 0u);
}

// Idle means: each machine absent or complete.
struct IdleCase {
    const char* name;
    bool contactRuns;
    bool loaderExists;
    bool loaderRuns;
    bool idle;
};
void PrintTo(const IdleCase& c, std::ostream* os) { *os << c.name; }

class AreMachinesIdleTest : public ::testing::TestWithParam<IdleCase> {};

TEST_P(AreMachinesIdleTest, IdleAndWhatMayBeDroppedOrReplaced)
{
    const IdleCase& c = GetParam();
    MachinesFixture f;
    if (c.loaderExists) {
        ASSERT_NE(f.model->CreateLoaderMachine(), nullptr);
        f.loader->complete = !c.loaderRuns;
    }
    f.contact->complete = !c.contactRuns;
    EXPECT_EQ(f.model->AreMachinesIdle(), c.idle);

    // A new loader only when nothing runs; a running one is never destroyed under its owner.
    FakeLoaderMachine* before = f.loader;
    SetLastErrorCode(0);
    ILoaderStateMachine* created = f.model->CreateLoaderMachine();
    if (c.idle) {
        ASSERT_NE(created, nullptr);
        EXPECT_EQ(created, f.model->LoaderMachine());
        EXPECT_EQ(f.loadersDestroyed, c.loaderExists ? 1 : 0);
    } else {
        EXPECT_EQ(created, nullptr);
        EXPECT_EQ(GetLastErrorCode(), 170u) << "busy";
        EXPECT_EQ(f.model->LoaderMachine(), before);
        EXPECT_EQ(f.loadersDestroyed, 0);
    }

    const int destroyedBefore = f.loadersDestroyed;
    const bool hadLoader = f.model->LoaderMachine() != nullptr;
    f.model->DropFinishedLoader();
    if (c.idle) {
        EXPECT_EQ(f.model->LoaderMachine(), nullptr);
        EXPECT_EQ(f.loadersDestroyed, destroyedBefore + (hadLoader ? 1 : 0));
    } else {
        EXPECT_EQ(f.model->LoaderMachine(), before);
        EXPECT_EQ(f.loadersDestroyed, destroyedBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, AreMachinesIdleTest,
                         ::testing::Values(IdleCase{"NoLoader", false, false, false, true},
                                           IdleCase{"BothComplete", false, true, false, true},
                                           IdleCase{"ContactRuns", true, false, false, false},
                                           IdleCase{"LoaderRuns", false, true, true, false},
                                           IdleCase{"BothRun", true, true, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ModelMachinesTest, LoaderReleaseDestroysItThroughTheModel)
{
    MachinesFixture f;
    ILoaderStateMachine* machine = f.model->CreateLoaderMachine();
    ASSERT_NE(machine, nullptr);
    FakeLoaderMachine other;
    f.model->ReleaseLoaderMachine(&other); // not the model's: nothing happens
    EXPECT_EQ(f.model->LoaderMachine(), machine);
    machine->Release();
    EXPECT_EQ(f.loadersDestroyed, 1);
    EXPECT_EQ(f.model->LoaderMachine(), nullptr);
}

TEST(ModelMachinesTest, AFailedCreationLeavesNoLoader)
{
    MachinesFixture f;
    ASSERT_NE(f.model->CreateLoaderMachine(), nullptr);
    f.loaderFails = true;
    SetLastErrorCode(0);
    EXPECT_EQ(f.model->CreateLoaderMachine(), nullptr);
    EXPECT_EQ(f.model->LoaderMachine(), nullptr);
    EXPECT_EQ(f.loadersDestroyed, 1);
    EXPECT_NE(GetLastErrorCode(), 0u);
}

TEST(ModelMachinesTest, MachinesGoFirstWhenTheModelIsDestroyed)
{
    MachinesFixture f;
    ASSERT_NE(f.model->CreateLoaderMachine(), nullptr);
    f.contact->complete = false;
    f.loader->complete = false;
    // A machine that still looks at the model while it is destroyed finds it whole.
    int portOpenSeen = -1;
    f.contact->onDestroy = [&] {
        ++f.contactsDestroyed;
        portOpenSeen = f.model->PortOpen.Get() + (f.model->SerialPort().IsOpen() ? 10 : 0);
    };
    f.model.reset();
    EXPECT_EQ(f.contactsDestroyed, 1);
    EXPECT_EQ(f.loadersDestroyed, 1);
    EXPECT_EQ(portOpenSeen, 0);
}

} // namespace
