// The model's FirmwareStatus: 0 while the port is closed, observers told only of real changes.
#pragma once
#include <cstdint>

#include "model/ObservableValue.h"

// TModel supplies PortOpen (an observable int).
template <class TModel, class TStatus>
class CFirmwareStatusValue : public CObservableValue<TStatus> {
public:
    CFirmwareStatusValue(uint32_t message, TModel& model, TStatus initial = TStatus{})
        : CObservableValue<TStatus>(message, initial), model_(model)
    {
    }

    // Stores `status` while the port is open and 0 otherwise; notifies only when the stored value changed.
    void Set(TStatus status)
    {
        const TStatus stored = model_.PortOpen.Get() != 0 ? status : TStatus{};
        if (stored == this->Get())
            return;
        this->Store(stored);
        this->Notify(0);
    }

private:
    TModel& model_;
};
