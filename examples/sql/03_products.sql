# One column per product on the second sheet, from column B.
@Products=1;2;1;2;1
SELECT product, SUM(units), ROUND(SUM(amount), 2)
  FROM month_sales
  GROUP BY product
  ORDER BY product
