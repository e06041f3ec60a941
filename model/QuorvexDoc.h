#pragma once
// Program documents of both relay models: the program image (the bytes of the program file
// body and of the relay's program memory) and the simulation values that are never stored.

#include "BitLayout.h"
#include "DocBase.h"

#include <array>
#include <memory>
#include <utility>

#include "Fields.h"

class CQuorvexDoc : public CDocBase {
public:
    virtual int GetChannelCount() const { return 0; }
    // Address of the field's first byte and its kind; null for a channel out of range.
    // Indexes <= 0 give the Start field; indexes above 36 give the Stop address and leave
    // the kind unwritten. On a const document the bytes can only be read.
    virtual const std::uint8_t* GetFieldData(int /*channel*/, int /*fieldIndex*/, int* /*kind*/) const
    {
        return nullptr;
    }
    // The same address for writing: the image belongs to this (changeable) document.
    std::uint8_t* GetFieldData(int channel, int fieldIndex, int* kind)
    {
        return const_cast<std::uint8_t*>(std::as_const(*this).GetFieldData(channel, fieldIndex, kind));
    }
    virtual int GetGroupCount() const { return 0; }
    virtual int GetFieldCount() const { return 0; }
    // Per-model sizes of the Start, StateChange, Condition and Time fields.
    virtual int GetStartSize() const { return 0; }
    virtual int GetStateChangeSize() const { return 0; }
    virtual int GetConditionSize() const { return 0; }
    virtual int GetTimeSize() const { return 0; }
    // The size of a field of a kind (0 for Stop and other kinds): the bytes from GetFieldData
    // that hold it. The Start field is shared by the channels of a two-channel program.
    int GetFieldSize(int kind) const
    {
        switch (kind) {
        case FIELD_START: return GetStartSize();
        case FIELD_STATE_CHANGE: return GetStateChangeSize();
        case FIELD_CONDITION: return GetConditionSize();
        case FIELD_TIME: return GetTimeSize();
        default: return 0;
        }
    }

    // Simulated potentiometer time (unit and mantissa).
    virtual int GetPotUnit() const { return 0; }
    virtual void SetPotUnit(int) {}
    virtual int GetPotValue() const { return 0; }
    virtual void SetPotValue(int) {}
    // Simulated input buttons and relay outputs; number 0..GetChannelCount()-1 stands for
    // input or relay number + 1. Setters ignore other numbers, getters return -1.
    virtual void SetButtonSMode(int, int) {}
    virtual int GetButtonSMode(int) const { return 0; }
    virtual void SetButtonSState(int, int) {}
    virtual int GetButtonSState(int) const { return 0; }
    virtual void SetOutputState(int, int) {}
    virtual int GetOutputState(int) const { return 0; }

    // A fresh set of this model's field accessors.
    virtual std::unique_ptr<CQuorvexFieldSet> CreateFieldSet() const { return nullptr; }
};

// Image storage and simulation values shared by both models.
template <int ImageSize, int Channels, ModelCode Code>
class CQuorvexDocT : public CQuorvexDoc {
public:
    static constexpr int IMAGE_SIZE = ImageSize;
    static constexpr int CHANNELS = Channels;

    int GetDataSize() const override { return ImageSize; }
    std::uint8_t* GetData() override { return m_image.data(); }
    const std::uint8_t* GetData() const override { return m_image.data(); }
    ModelCode GetModelCode() const override { return Code; }
    int GetChannelCount() const override { return Channels; }
    int GetGroupCount() const override { return GROUP_COUNT; }
    int GetFieldCount() const override { return FIELD_COUNT; }

    int GetPotUnit() const override { return m_nPotUnit; }
    void SetPotUnit(int unit) override { m_nPotUnit = unit; }
    int GetPotValue() const override { return m_nPotValue; }
    void SetPotValue(int value) override { m_nPotValue = value; }
    void SetButtonSMode(int number, int value) override { Set(m_buttonMode, number, value); }
    int GetButtonSMode(int number) const override { return Get(m_buttonMode, number); }
    void SetButtonSState(int number, int value) override { Set(m_buttonState, number, value); }
    int GetButtonSState(int number) const override { return Get(m_buttonState, number); }
    void SetOutputState(int number, int value) override { Set(m_outputState, number, value); }
    int GetOutputState(int number) const override { return Get(m_outputState, number); }

protected:
    std::array<std::uint8_t, ImageSize> m_image{};

private:
    using Values = std::array<int, Channels>;
    static void Set(Values& values, int number, int value)
    {
        if (number >= 0 && number < Channels)
            values[number] = value;
    }
    static int Get(const Values& values, int number)
    {
        return number >= 0 && number < Channels ? values[number] : -1;
    }

    int m_nPotUnit = 0;
    int m_nPotValue = TIME_MANTISSA_ONE;
    Values m_buttonMode{};
    Values m_buttonState{};
    Values m_outputState{};
};

class CQuorvex_QVR_K115_ZQX_Doc final : public CQuorvexDocT<Layout_QVR_K115_ZQX::IMAGE_SIZE, 1, MODEL_QVR_K115_ZQX> {
public:
    void ResetProgram(int modified) override;
    // Writes the text description in the current language (see ProgramDescription.h).
    int WriteReport(const QString& path) override;
    using CQuorvexDoc::GetFieldData;
    const std::uint8_t* GetFieldData(int channel, int fieldIndex, int* kind) const override;
    int GetStartSize() const override { return Layout_QVR_K115_ZQX::START_SIZE; }
    int GetStateChangeSize() const override { return Layout_QVR_K115_ZQX::STATE_CHANGE_SIZE; }
    int GetConditionSize() const override { return Layout_QVR_K115_ZQX::CONDITION_SIZE; }
    int GetTimeSize() const override { return Layout_QVR_K115_ZQX::TIME_SIZE; }
    std::unique_ptr<CQuorvexFieldSet> CreateFieldSet() const override;
};

class CQuorvex_QVS_K115_318_Doc final : public CQuorvexDocT<Layout_QVS_K115_318::IMAGE_SIZE, 2, MODEL_QVS_K115_318> {
public:
    void ResetProgram(int modified) override;
    // Writes the text description in the current language (see ProgramDescription.h).
    int WriteReport(const QString& path) override;
    using CQuorvexDoc::GetFieldData;
    const std::uint8_t* GetFieldData(int channel, int fieldIndex, int* kind) const override;
    int GetStartSize() const override { return Layout_QVS_K115_318::START_SIZE; }
    int GetStateChangeSize() const override { return Layout_QVS_K115_318::STATE_CHANGE_SIZE; }
    int GetConditionSize() const override { return Layout_QVS_K115_318::CONDITION_SIZE; }
    int GetTimeSize() const override { return Layout_QVS_K115_318::TIME_SIZE; }
    std::unique_ptr<CQuorvexFieldSet> CreateFieldSet() const override;
};

// A new document of the model whose number is the code's high nibble; null for another code.
std::unique_ptr<CQuorvexDoc> CreateDocument(ModelCode code);
