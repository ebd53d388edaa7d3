#pragma once

// What the server's game and the client's game state share: two scale factors
// the food and drink items read, and the covenant difficulty of the world.
class GameBase {
public:
    GameBase() = default;
    virtual ~GameBase() = default;
    GameBase(const GameBase&) = delete;
    GameBase& operator=(const GameBase&) = delete;

    // Reads the game rules record.
    virtual void loadSettings() {}

    float getScaleFactor1() const { return m_scaleFactor1; }
    float getScaleFactor2() const { return m_scaleFactor2; }
    int getDifficulty() const { return m_difficulty; }
    void setScaleFactors(float first, float second)
    {
        m_scaleFactor1 = first;
        m_scaleFactor2 = second;
    }
    void setDifficulty(int difficulty) { m_difficulty = difficulty; }

protected:
    float m_scaleFactor1 = 1.0f;
    float m_scaleFactor2 = 1.0f;
    int m_difficulty = 1;
};

// The running server game's base part, or null while there is none. The
// server's Game registers itself while it lives.
GameBase* getServerGameBase();
void setServerGameBase(GameBase* base);
