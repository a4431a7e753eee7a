#include "engine/sprite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/direct_draw.h"
#include "gfx/hash_collection.h"
#include "gfx/surface.h"

namespace {

// A sprite that writes what happens to it into a shared log.
class LogSprite : public TSprite {
 public:
  LogSprite(TSprite* parent, std::string name, std::vector<std::string>& log)
      : TSprite(parent), name_(std::move(name)), log_(log) {}
  ~LogSprite() override { log_.push_back("free " + name_); }

  bool acceptHits = true;
  bool stopAfterHit = false;
  int moves = 0;
  std::vector<TSprite*> hits;

 protected:
  void DoDraw() override { log_.push_back("draw " + name_); }
  void DoMove(int count) override { moves += count; }
  void DoCollision(TSprite* other, bool& done) override {
    hits.push_back(other);
    if (stopAfterHit) done = true;
  }
  bool TestCollision(TSprite*) override { return acceptHits; }

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

class SpriteTest : public ::testing::Test {
 protected:
  SpriteTest() {
    surface.SetSize(640, 480);
    engine.SetSurface(&surface);
  }

  LogSprite* Make(TSprite* parent, const std::string& name, double x = 0, double y = 0, int w = 10,
                  int h = 10) {
    auto* s = new LogSprite(parent, name, log);
    s->X = x;
    s->Y = y;
    s->Width = w;
    s->Height = h;
    return s;
  }

  std::vector<std::string> Drawn() {
    log.clear();
    engine.Draw();
    return log;
  }

  std::vector<std::string> log;
  TDirectDraw ddraw;
  TDirectDrawSurface surface{&ddraw};
  TSpriteEngine engine;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(SpriteTest, DrawOrderFollowsZAndInsertionAmongEquals) {
  LogSprite* a = Make(&engine, "a");
  Make(&engine, "b");
  LogSprite* c = Make(&engine, "c");
  // Among equal Z the sprite placed last is drawn first.
  EXPECT_EQ(Drawn(), (Names{"draw c", "draw b", "draw a"}));

  // Setting the same Z again does not move the sprite.
  a->SetZ(0);
  EXPECT_EQ(Drawn(), (Names{"draw c", "draw b", "draw a"}));

  // Leaving and coming back puts it in front of its equals.
  a->SetZ(3);
  EXPECT_EQ(Drawn(), (Names{"draw c", "draw b", "draw a"}));
  a->SetZ(0);
  EXPECT_EQ(Drawn(), (Names{"draw a", "draw c", "draw b"}));

  c->SetZ(-2);
  LogSprite* top = Make(&engine, "top");
  top->SetZ(2);
  EXPECT_EQ(Drawn(), (Names{"draw c", "draw a", "draw b", "draw top"}));

  // Extreme values sort without overflow.
  top->SetZ(std::numeric_limits<int>::min());
  c->SetZ(std::numeric_limits<int>::max());
  EXPECT_EQ(Drawn(), (Names{"draw top", "draw a", "draw b", "draw c"}));
  EXPECT_EQ(engine.DrawCount(), 4);

  // Children are drawn after their parent, in their own Z order.
  Make(a, "a1")->SetZ(1);
  Make(a, "a0");
  EXPECT_EQ(Drawn(), (Names{"draw top", "draw a", "draw a0", "draw a1", "draw b", "draw c"}));
  // Creation order is kept apart from drawing order.
  EXPECT_EQ(engine.Items(0), a);
  EXPECT_EQ(engine.Items(2), c);
}

TEST_F(SpriteTest, FreeingSpritesKeepsListsAndCountsRight) {
  LogSprite* parent = Make(&engine, "p");
  Make(parent, "c0");
  LogSprite* c1 = Make(parent, "c1");
  Make(c1, "g");
  EXPECT_EQ(engine.AllCount(), 4);
  EXPECT_EQ(parent->Count(), 2);
  EXPECT_EQ(c1->Engine(), &engine);
  EXPECT_EQ(c1->Parent(), parent);

  try {
    parent->Items(2);
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }

  // Clear frees the last child first, each with its subtree.
  log.clear();
  parent->Clear();
  EXPECT_EQ(log, (Names{"free c1", "free g", "free c0"}));
  EXPECT_EQ(parent->Count(), 0);
  EXPECT_EQ(engine.AllCount(), 1);
  try {
    parent->Items(0);
    FAIL() << "no error";
  } catch (const ESpriteError& e) {
    EXPECT_STREQ(e.what(), "Index of the list exceeds the range. (0)");
  }

  // Freeing the only child of the root empties the root's lists too.
  delete parent;
  EXPECT_EQ(engine.Count(), 0);
  EXPECT_EQ(engine.AllCount(), 0);
  EXPECT_THROW(engine.Items(0), ESpriteError);
  EXPECT_EQ(Drawn(), Names{});
}

TEST_F(SpriteTest, DeadSpritesAreFreedOnceBetweenFrames) {
  LogSprite* a = Make(&engine, "a");
  LogSprite* b = Make(&engine, "b");
  LogSprite* c = Make(a, "c");
  engine.Dead();  // nothing listed: nothing happens
  EXPECT_EQ(engine.AllCount(), 3);

  b->MarkDead();
  b->MarkDead();
  c->MarkDead();
  EXPECT_TRUE(b->Deaded);
  EXPECT_EQ(engine.DeadList().size(), 2u);

  // A listed sprite freed directly leaves the list: Dead does not free it again.
  delete a;  // frees c too
  EXPECT_EQ(engine.DeadList().size(), 1u);
  log.clear();
  engine.Dead();
  EXPECT_EQ(log, Names{"free b"});
  EXPECT_TRUE(engine.DeadList().empty());
  EXPECT_EQ(engine.AllCount(), 0);
}

TEST(SpriteEngineLifetime, FreeingTheRootFreesTheTreeAndItsDeadList) {
  std::vector<std::string> log;
  {
    TSpriteEngine engine;
    auto* a = new LogSprite(&engine, "a", log);
    new LogSprite(a, "b", log);
    a->MarkDead();
    (new LogSprite(&engine, "c", log))->MarkDead();
  }
  EXPECT_EQ(log, (Names{"free c", "free a", "free b"}));
}

TEST_F(SpriteTest, DrawingIsCulledAtTheSurfaceEdges) {
  EXPECT_EQ(engine.Width, 640);
  EXPECT_EQ(engine.Height, 480);
  EXPECT_EQ(engine.SurfaceRect(), Rect(0, 0, 640, 480));

  Make(&engine, "leftOut", -40, 0, 40, 40);  // ends at x = 0
  Make(&engine, "leftIn", -39, 0, 40, 40);
  Make(&engine, "rightOut", 640, 100, 40, 40);
  Make(&engine, "rightIn", 639, 100, 40, 40);
  Make(&engine, "below", 0, 480, 40, 40);
  std::vector<std::string> drawn = Drawn();
  std::sort(drawn.begin(), drawn.end());
  EXPECT_EQ(drawn, (Names{"draw leftIn", "draw rightIn"}));
  EXPECT_EQ(engine.DrawCount(), 2);

  // The root's position is the camera: moving it moves every sprite.
  engine.X = -600;
  drawn = Drawn();
  EXPECT_EQ(drawn, (Names{"draw rightIn", "draw rightOut"}));

  // Without a surface the last size stays.
  engine.SetSurface(nullptr);
  EXPECT_EQ(engine.Surface(), nullptr);
  EXPECT_EQ(engine.SurfaceRect(), Rect(0, 0, 640, 480));
  EXPECT_EQ(engine.Width, 640);
}

TEST_F(SpriteTest, HiddenAndUnmovedSubtrees) {
  LogSprite* parent = Make(&engine, "p");
  LogSprite* child = Make(parent, "c");
  LogSprite* other = Make(&engine, "o");

  parent->Visible = false;
  EXPECT_EQ(Drawn(), Names{"draw o"});
  EXPECT_EQ(engine.DrawCount(), 1);
  parent->Visible = true;
  child->Visible = false;
  EXPECT_EQ(Drawn(), (Names{"draw o", "draw p"}));

  engine.Move(16);
  EXPECT_EQ(parent->moves, 16);
  EXPECT_EQ(child->moves, 16);
  parent->Moved = false;
  engine.Move(5);
  EXPECT_EQ(parent->moves, 16);
  EXPECT_EQ(child->moves, 16);
  EXPECT_EQ(other->moves, 21);
}

TEST_F(SpriteTest, WorldPositionsAndBounds) {
  engine.X = 100.25;
  engine.Y = -3;
  LogSprite* parent = Make(&engine, "p", 10, 20, 5, 6);
  LogSprite* child = Make(parent, "c", -110.75, 1.5, 4, 4);
  EXPECT_DOUBLE_EQ(child->WorldX(), -0.5);
  EXPECT_DOUBLE_EQ(child->WorldY(), 18.5);
  // Cut towards zero, not down: -0.5 gives 0.
  EXPECT_EQ(child->BoundsRect(), Rect(0, 18, 4, 22));
  EXPECT_EQ(parent->BoundsRect(), Rect(110, 17, 115, 23));
  child->X = -1e300;
  EXPECT_EQ(child->BoundsRect().Left, std::numeric_limits<int>::min());
}

TEST_F(SpriteTest, CollisionQuery) {
  LogSprite* car = Make(&engine, "car", 0, 0, 40, 64);
  LogSprite* track = Make(&engine, "track", 0, 0, 1280, 1280);
  LogSprite* cone = Make(track, "cone", 10, 10, 5, 5);
  track->Collisioned = false;
  // The only other sprite and its subtree take no part.
  EXPECT_EQ(car->Collision(), 0);
  EXPECT_TRUE(car->hits.empty());

  track->Collisioned = true;
  EXPECT_EQ(car->Collision(), 2);
  EXPECT_EQ(car->hits, (std::vector<TSprite*>{track, cone}));
  EXPECT_EQ(engine.CollisionCount(), 2);
  EXPECT_EQ(engine.CollisionSprite(), car);
  EXPECT_EQ(engine.CollisionRect(), Rect(0, 0, 40, 64));

  // Touching edges do not overlap.
  cone->X = 40;
  car->hits.clear();
  EXPECT_EQ(car->Collision(), 1);

  // Both sides must accept the hit.
  cone->X = 10;
  cone->acceptHits = false;
  EXPECT_EQ(car->Collision(), 1);
  cone->acceptHits = true;

  // A handler that says done ends the query.
  car->stopAfterHit = true;
  LogSprite* wall = Make(&engine, "wall", 0, 0, 10, 10);
  car->hits.clear();
  EXPECT_EQ(car->Collision(), 1);
  EXPECT_EQ(car->hits, std::vector<TSprite*>{track});
  car->stopAfterHit = false;

  // Sprites marked dead neither ask nor get hit.
  wall->MarkDead();
  EXPECT_EQ(car->Collision(), 2);
  car->MarkDead();
  car->hits.clear();
  EXPECT_EQ(car->Collision(), 0);
  EXPECT_TRUE(car->hits.empty());
  engine.Dead();
  EXPECT_EQ(engine.CollisionSprite(), nullptr);

  // A sprite without an engine never collides.
  LogSprite loose(nullptr, "loose", log);
  EXPECT_EQ(loose.Collision(), 0);
}
