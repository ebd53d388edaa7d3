#pragma once

// A number an effect file gives either as a constant or as a uniform range.
struct RandomValue {
    enum Kind { Constant = 0, Range = 1 };
    // The client's visual stream: drawing particles never moves the game's.
    static constexpr int kStream = 4;

    int kind = Constant;
    float min = 0.0f;
    float max = 0.0f;

    static RandomValue constant(float v) { return RandomValue{Constant, v, v}; }
    static RandomValue range(float lo, float hi) { return RandomValue{Range, lo, hi}; }

    // Every draw takes one number of the stream, constants included, so a
    // definition's draws never shift with the kinds of its values.
    float draw() const;
};
