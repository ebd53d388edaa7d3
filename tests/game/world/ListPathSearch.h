#pragma once

// The search written as plainly as it is described: linked open and closed
// lists, new nodes pushed at the head, the best f found by a scan from the
// head (the first of equal f wins), lookups by walking the lists. It shares
// the finder's grid (cell tests, positions) so that both see the same cells,
// and returns the whole walk without the 250-step cut.

#include "game/entities/Entity.h"
#include "game/world/GridPath.h"
#include "game/world/PathFinder.h"

#include <cmath>
#include <memory>
#include <vector>

struct ListPathResult {
    bool found = false;
    std::vector<int> codes;
};

class ListPathSearch {
public:
    explicit ListPathSearch(PathFinder& finder) : m_finder(finder) {}

    ListPathResult findPath(Entity* mover, const ZonePosition& from, const ZonePosition& to, Entity* target)
    {
        ListPathResult result;
        if (!mover)
            return result;
        m_finder.buildGrid(mover);
        int dx = 0, dy = 0;
        m_finder.cellOffset(from, to, dx, dy);
        const int gx = 25 + dx;
        const int gy = 25 + dy;
        if (gx < 0 || gy < 0 || gx > 50 || gy > 50)
            return result;
        float range = 1.5f * m_finder.getGrid().tileWidth;
        if (target)
            range += mover->getRadius() + target->getRadius();
        search(target == nullptr, gx, gy, range, result);
        return result;
    }

private:
    struct Node {
        float f = 0.0f, g = 0.0f, h = 0.0f;
        int x = 0, y = 0;
        Node* parent = nullptr;
        Node* children[8] = {};
        Node* next = nullptr;
    };

    static float cost(int d) { return (d & 1) ? 1.4142135f : 1.0f; }
    static float dist(int x, int y, int gx, int gy)
    {
        return std::sqrt(static_cast<float>((gx - x) * (gx - x) + (gy - y) * (gy - y)));
    }

    Node* make()
    {
        m_nodes.push_back(std::make_unique<Node>());
        return m_nodes.back().get();
    }
    static Node* find(Node* list, int x, int y)
    {
        for (Node* n = list; n; n = n->next)
            if (n->x == x && n->y == y)
                return n;
        return nullptr;
    }
    void propagate(Node* n)
    {
        for (int d = 0; d < 8; ++d) {
            Node* c = n->children[d];
            if (!c)
                continue;
            float newG = n->g + cost(d);
            if (c->parent == n) {
                c->f -= (c->g - newG);
                c->g = newG;
                propagate(c);
            } else if (c->g > newG) {
                c->parent = n;
                c->f -= (c->g - newG);
                c->g = newG;
                propagate(c);
            }
        }
    }

    void search(bool exact, int gx, int gy, float range, ListPathResult& result)
    {
        if (exact) {
            bool blocked = m_finder.isCellBlocked(gx, gy, true);
            if (!blocked) {
                blocked = true;
                for (int d = 0; d < 8 && blocked; ++d) {
                    GridStep s = gridStepOfCode(d);
                    blocked = m_finder.isCellBlocked(gx + s.dx, gy + s.dy, true);
                }
            }
            if (blocked)
                exact = false;
        }
        const ZonePosition goal = m_finder.cellPosition(gx, gy);
        m_nodes.clear();
        Node* start = make();
        start->x = 25;
        start->y = 25;
        start->h = dist(25, 25, gx, gy);
        start->f = start->h;
        Node* open = start;
        Node* closed = nullptr;
        int pops = 0;
        int inUse = 1;
        for (;;) {
            if (pops >= 500 || !open)
                return;
            ++pops;
            Node* best = open;
            Node* bestPrev = nullptr;
            for (Node *prev = open, *n = open->next; n; prev = n, n = n->next) {
                if (n->f < best->f) {
                    best = n;
                    bestPrev = prev;
                }
            }
            if (bestPrev)
                bestPrev->next = best->next;
            else
                open = best->next;
            best->next = closed;
            closed = best;

            bool reached =
                exact ? (best->x == gx && best->y == gy)
                      : ZonePosition::distanceTo(m_finder.cellPosition(best->x, best->y), goal) < range;
            if (reached) {
                std::vector<int> walk;
                for (Node* n = best; n->parent; n = n->parent) {
                    int d = 0;
                    while (n->parent->children[d] != n)
                        ++d;
                    walk.push_back(d);
                }
                result.codes.assign(walk.rbegin(), walk.rend());
                result.found = true;
                return;
            }
            Node* succ[8] = {};
            for (int d = 0; d < 8; ++d) {
                GridStep s = gridStepOfCode(d);
                int nx = best->x + s.dx, ny = best->y + s.dy;
                if (nx < 0 || ny < 0 || nx > 50 || ny > 50 || m_finder.isCellBlocked(nx, ny, true))
                    continue;
                if (inUse >= PathFinder::kPoolSize)
                    continue;
                ++inUse;
                succ[d] = make();
                succ[d]->x = nx;
                succ[d]->y = ny;
            }
            for (int d = 0; d < 8; ++d) {
                Node* s = succ[d];
                if (!s)
                    continue;
                best->children[d] = nullptr;
                s->parent = best;
                s->g = best->g + cost(d);
                if (best->parent && best->parent->children[d] != best)
                    s->g += 0.1f;
                if (Node* o = find(open, s->x, s->y)) {
                    if (o->g > s->g) {
                        o->parent = best;
                        o->g = s->g;
                        o->f = s->g + o->h;
                    }
                    best->children[d] = o;
                    --inUse;
                } else if (Node* c = find(closed, s->x, s->y)) {
                    if (c->g > s->g) {
                        c->parent = best;
                        c->g = s->g;
                        c->f = s->g + c->h;
                        propagate(c);
                    }
                    best->children[d] = c;
                    --inUse;
                } else {
                    s->next = open;
                    open = s;
                    s->h = dist(s->x, s->y, gx, gy);
                    s->f = s->g + s->h;
                    best->children[d] = s;
                }
            }
        }
    }

    PathFinder& m_finder;
    std::vector<std::unique_ptr<Node>> m_nodes;
};
