// The pitch line between the points the phones place.
#include <gtest/gtest.h>

#include <vector>

#include "contour.h"

TEST(MbrolaContour, LinearBetweenPointsLevelOutside) {
  mbr::Contour c;
  std::vector<std::pair<double, double>> first = {{0, 100}, {100, 200}}, second = {{50, 100}};
  mbr::addPhonePoints(c, 1000, 1000, first);   // 100 Hz at 1000, 200 Hz at 2000
  mbr::addPhonePoints(c, 2000, 2000, second);  // 100 Hz at 3000
  EXPECT_DOUBLE_EQ(mbr::pitchAt(c, 0, 130), 100);
  EXPECT_DOUBLE_EQ(mbr::pitchAt(c, 1500, 130), 150);
  EXPECT_DOUBLE_EQ(mbr::pitchAt(c, 2500, 130), 150);
  EXPECT_DOUBLE_EQ(mbr::pitchAt(c, 9000, 130), 100);
  EXPECT_DOUBLE_EQ(mbr::pitchAt(mbr::Contour(), 10, 130), 130);
}

TEST(MbrolaContour, PhoneWithoutPointsCarriesTheLineOn) {
  mbr::Contour c;
  std::vector<std::pair<double, double>> one = {{50, 100}}, none, three = {{50, 200}};
  mbr::addPhonePoints(c, 0, 100, one);      // 100 Hz at 50
  mbr::addPhonePoints(c, 100, 100, none);
  mbr::addPhonePoints(c, 200, 100, three);  // 200 Hz at 250
  EXPECT_DOUBLE_EQ(mbr::pitchAt(c, 150, 0), 150);
}

TEST(MbrolaContour, DroppingKeepsThePointBefore) {
  mbr::Contour c;
  std::vector<std::pair<double, double>> pts = {{0, 100}, {50, 200}, {100, 300}};
  mbr::addPhonePoints(c, 0, 100, pts);
  mbr::dropPointsBefore(c, 75);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_DOUBLE_EQ(mbr::pitchAt(c, 75, 0), 250);
}

TEST(MbrolaContour, PointsOutOfOrderAreMovedUp) {
  mbr::Contour c;
  std::vector<std::pair<double, double>> pts = {{80, 100}, {20, 200}};
  mbr::addPhonePoints(c, 0, 100, pts);
  EXPECT_DOUBLE_EQ(c[1].time, 80);
  EXPECT_DOUBLE_EQ(mbr::pitchAt(c, 90, 0), 200);
}
