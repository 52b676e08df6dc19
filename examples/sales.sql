-- The example's sales database: regions, products and two months of sales.
CREATE TABLE sales (
  id        INTEGER PRIMARY KEY,
  sale_date DATE NOT NULL,
  region    TEXT NOT NULL,
  product   TEXT NOT NULL,
  units     INTEGER NOT NULL,
  amount    REAL NOT NULL
);

WITH RECURSIVE day(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM day WHERE n < 60),
regions(region, weight) AS (VALUES ('North', 3), ('South', 5), ('East', 2), ('West', 4)),
products(product, price) AS (VALUES ('Anchor', 12.5), ('Buoy', 40.0), ('Compass', 89.9))
INSERT INTO sales (sale_date, region, product, units, amount)
SELECT date('2004-09-01', '+' || n || ' days'), region, product,
       1 + (n * weight + length(product)) % 7,
       round((1 + (n * weight + length(product)) % 7) * price, 2)
FROM day, regions, products
WHERE (n + weight + length(product)) % 3 = 0;
